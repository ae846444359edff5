// The places the page tests use: the web folder, its page as a file:// URL,
// the build folder for screenshots (TRILLO_WEB_BUILD, default web/build) and
// the bundled example song.
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

export const web = fileURLToPath(new URL('../..', import.meta.url));
export const pageUrl = pathToFileURL(join(web, 'index.html')).href;
export const buildFolder = process.env.TRILLO_WEB_BUILD || join(web, 'build');
export const song = join(web, '..', 'examples', 'song.vsq');
