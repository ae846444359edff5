// The page: reads the chosen or dropped file in slices, feeds them to the
// dumper of dist/trillo.js and shows the dump as it grows.  Between slices
// the page handles events, so a large file does not freeze it.  (A page
// opened from file:// may not start a worker from a file, so the work runs
// here, in slices.)
'use strict';

(() => {
  // Bytes read and fed per slice.
  const SLICE_SIZE = 1 << 20;
  // The dump is shown in blocks of whole lines; the browser lays out only the
  // blocks in view (see style.css), each sized meanwhile by its lines.
  const BLOCK_LINES = 256;
  const LINE_HEIGHT_EM = 1.35;

  const $ = (id) => document.getElementById(id);
  const fileInput = $('file');
  const encoding = $('encoding');
  const summary = $('summary');
  const dump = $('dump');
  const error = $('error');
  const download = $('download');
  const dropping = $('dropping');

  const loading = trillo.load();
  let current = null; // the run whose dump is on the page

  // A dump on the page: the output bytes as they came, and their text in blocks.
  class Run {
    constructor(file) {
      this.file = file;
      this.chunks = [];
      this.decoder = new TextDecoder(encoding.value);
      this.rest = ''; // the start of a line that has not ended yet
      this.cancelled = false;
      this.done = false;
    }

    show(bytes) {
      this.chunks.push(bytes);
      const text = this.rest + this.decoder.decode(bytes, { stream: true });
      const end = text.lastIndexOf('\n') + 1;
      this.rest = text.slice(end);
      appendBlock(text.slice(0, end));
    }

    showRest() {
      appendBlock(this.rest + this.decoder.decode());
      this.rest = '';
      this.done = true;
    }

    // Shows what has come so far again, decoded for label.
    redecode(label) {
      const chunks = this.chunks;
      this.chunks = [];
      this.decoder = new TextDecoder(label);
      this.rest = '';
      dump.replaceChildren();
      for (const chunk of chunks) this.show(chunk);
      if (this.done) this.showRest();
    }
  }

  // Appends text, whole lines, in blocks of at most BLOCK_LINES lines.
  function appendBlock(text) {
    let start = 0;
    while (start < text.length) {
      let end = start;
      let lines = 0;
      while (lines < BLOCK_LINES && end < text.length) {
        const newline = text.indexOf('\n', end);
        end = newline === -1 ? text.length : newline + 1;
        lines++;
      }
      const block = document.createElement('span');
      block.className = 'block';
      block.style.containIntrinsicSize = `auto ${(lines * LINE_HEIGHT_EM).toFixed(2)}em`;
      block.textContent = text.slice(start, end);
      dump.append(block);
      start = end;
    }
  }

  function nextTask() {
    return new Promise((resolve) => setTimeout(resolve, 0));
  }

  function describe(file, counts, milliseconds) {
    const number = (n) => n.toLocaleString('en');
    const plural = (n, word) => `${number(n)} ${word}${n === 1 ? '' : 's'}`;
    const parts = [
      counts.voices === null ? 'no header' : plural(counts.voices, 'voice'),
      counts.division === null ? null : `division ${counts.division}`,
      plural(counts.sections, 'section'),
      plural(counts.fields, 'field'),
      plural(file.size, 'byte'),
      `${number(Math.round(milliseconds))} ms`,
    ];
    return `${file.name}: ${parts.filter((part) => part !== null).join(', ')}`;
  }

  async function open(file) {
    if (current !== null) current.cancelled = true;
    const run = new Run(file);
    current = run;
    dump.replaceChildren();
    error.hidden = true;
    error.textContent = '';
    download.disabled = true;
    summary.textContent = `${file.name}: reading…`;
    const started = performance.now();
    const dumper = (await loading).dumper();
    let result;
    try {
      for (let at = 0; at < file.size; at += SLICE_SIZE) {
        const bytes = new Uint8Array(await file.slice(at, at + SLICE_SIZE).arrayBuffer());
        if (run.cancelled) return;
        run.show(dumper.write(bytes));
        summary.textContent = `${file.name}: reading… ${Math.floor(((at + bytes.length) * 100) / file.size)} %`;
        await nextTask();
        if (run.cancelled) return;
      }
      result = dumper.end();
    } catch (failure) {
      if (!run.cancelled) summary.textContent = `${file.name}: ${failure.message}`;
      return;
    } finally {
      if (result === undefined) dumper.end();
    }
    run.show(result.output);
    run.showRest();
    summary.textContent = describe(file, result.counts, performance.now() - started);
    if (result.error !== null) {
      error.textContent = result.error;
      error.hidden = false;
    }
    download.disabled = false;
  }

  function save() {
    if (current === null) return;
    const blob = new Blob(current.chunks, { type: 'text/plain' });
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = current.file.name.replace(/\.[^.]*$/, '') + '.txt';
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 0);
  }

  fileInput.addEventListener('change', () => {
    if (fileInput.files.length > 0) open(fileInput.files[0]);
  });
  encoding.addEventListener('change', () => {
    if (current !== null) current.redecode(encoding.value);
  });
  download.addEventListener('click', save);

  // Dropping a file anywhere on the page.
  let dragDepth = 0;
  document.addEventListener('dragenter', (event) => {
    event.preventDefault();
    dragDepth++;
    dropping.hidden = false;
  });
  document.addEventListener('dragleave', () => {
    dragDepth = Math.max(dragDepth - 1, 0);
    if (dragDepth === 0) dropping.hidden = true;
  });
  document.addEventListener('dragover', (event) => event.preventDefault());
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    dragDepth = 0;
    dropping.hidden = true;
    const file = event.dataTransfer.files[0];
    if (file !== undefined) open(file);
  });
})();
