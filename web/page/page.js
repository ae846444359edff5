// The page: reads the chosen or dropped file in slices, feeds them to the
// dumper of dist/trillo.js and shows the dump as it grows; at the end, the
// outline, the tempo plot, the search and the comparison with a second file.
// Between slices the page handles events, so a large file does not freeze
// it.  (A page opened from file:// may not start a worker from a file, so the
// work runs here, in slices.)
'use strict';

(() => {
  // Bytes read and fed per slice.
  const SLICE_SIZE = 1 << 20;
  // Characters searched between two turns of the event loop.
  const SEARCH_SLICE = 1 << 21;

  const $ = (id) => document.getElementById(id);
  const fileInput = $('file');
  const encoding = $('encoding');
  const summary = $('summary');
  const dump = $('dump');
  const pager = { bar: $('dump-pages'), label: $('dump-lines'), previous: $('dump-previous'), next: $('dump-next') };
  const error = $('error');
  const download = $('download');
  const dropping = $('dropping');
  const outline = $('outline');
  const outlineList = $('outline-list');
  const tempoFigure = $('tempo-figure');
  const tempoPlot = $('tempo-plot');
  const find = $('find');
  const search = $('search');
  const searchCount = $('search-count');
  const comparing = $('comparing');
  const compareInput = $('compare');
  const diff = $('diff');
  const diffSummary = $('diff-summary');

  const loading = trillo.load();
  let current = null; // the run whose dump is on the page

  const number = (n) => n.toLocaleString('en');
  const plural = (n, word) => `${number(n)} ${word}${n === 1 ? '' : 's'}`;

  // A file's run: its view of the dump and, once read, the dumper's result.
  class Run {
    constructor(file) {
      this.file = file;
      this.view = new DumpView.View(dump, encoding.value, pager);
      this.result = null;
      this.cancelled = false;
    }
  }

  function nextTask() {
    return new Promise((resolve) => setTimeout(resolve, 0));
  }

  function describe(file, counts, milliseconds) {
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

  function clearViews() {
    error.hidden = true;
    error.textContent = '';
    download.disabled = true;
    outline.hidden = true;
    outlineList.replaceChildren();
    tempoFigure.hidden = true;
    tempoPlot.replaceChildren();
    find.hidden = true;
    search.value = '';
    clearSearch();
    comparing.hidden = true;
    diff.replaceChildren();
    diffSummary.textContent = '';
    compareInput.value = '';
  }

  async function open(file) {
    if (current !== null) current.cancelled = true;
    clearViews();
    const run = new Run(file);
    current = run;
    summary.textContent = `${file.name}: reading…`;
    const started = performance.now();
    const dumper = (await loading).dumper({ outline: true });
    let result;
    try {
      for (let at = 0; at < file.size; at += SLICE_SIZE) {
        const bytes = new Uint8Array(await file.slice(at, at + SLICE_SIZE).arrayBuffer());
        if (run.cancelled) return;
        run.view.add(dumper.write(bytes));
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
    run.result = result;
    run.view.add(result.output);
    run.view.end();
    if (result.error !== null) {
      error.textContent = result.error;
      error.hidden = false;
    }
    showStructure(run);
    download.disabled = false;
    find.hidden = false;
    comparing.hidden = false;
    summary.textContent = describe(file, result.counts, performance.now() - started);
  }

  // The outline and the tempo plot of a run that has ended.
  function showStructure(run) {
    const { headings, tempoMap } = run.result.outline;
    Outline.render(outlineList, headings, {
      lineAt: (offset) => run.view.lineAt(offset),
      tempoEvents: tempoMap.length,
      choose: (heading) => run.view.showLine(run.view.lineOfOffset(heading.offset)),
    });
    outline.hidden = headings.length === 0;
    tempoFigure.hidden = tempoMap.length === 0;
    if (tempoMap.length > 0) TempoPlot.render(tempoPlot, tempoMap, run.result.counts.division);
  }

  function save() {
    if (current === null) return;
    const blob = new Blob([current.view.bytes.view()], { type: 'text/plain' });
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = current.file.name.replace(/\.[^.]*$/, '') + '.txt';
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 0);
  }

  // Search: the matches of the text in #search, counted in slices; next and
  // previous go from the current match, round the end.
  const searching = { query: '', count: 0, index: -1, at: -1, token: 0 };

  function clearSearch() {
    searching.token++;
    Object.assign(searching, { query: '', count: 0, index: -1, at: -1 });
    searchCount.textContent = '';
    if (globalThis.CSS?.highlights) CSS.highlights.delete('search');
  }

  async function startSearch() {
    const query = search.value;
    clearSearch();
    if (query === '' || current === null || current.result === null) return;
    const token = searching.token;
    const text = current.view.text();
    searchCount.textContent = 'Searching…';
    let count = 0;
    for (let start = 0; start < text.length; start += SEARCH_SLICE) {
      const end = Math.min(start + SEARCH_SLICE, text.length);
      for (let at = text.indexOf(query, start); at !== -1 && at < end; at = text.indexOf(query, at + 1)) count++;
      if (end < text.length) {
        await nextTask();
        if (token !== searching.token) return;
      }
    }
    Object.assign(searching, { query, count });
    if (count === 0) {
      searchCount.textContent = 'No match';
      return;
    }
    goToMatch(text.indexOf(query), 0);
  }

  function goToMatch(at, index) {
    const view = current.view;
    searching.at = at;
    searching.index = index;
    searchCount.textContent = `${number(index + 1)} of ${number(searching.count)}`;
    view.showLine(view.lineOfChar(at));
    if (globalThis.CSS?.highlights) {
      CSS.highlights.set('search', new Highlight(view.rangeOf(at, at + searching.query.length)));
    }
  }

  function step(forward) {
    if (searching.count === 0 || search.value !== searching.query) {
      startSearch();
      return;
    }
    const text = current.view.text();
    const { query, at, index, count } = searching;
    if (forward) {
      const next = text.indexOf(query, at + 1);
      if (next === -1) goToMatch(text.indexOf(query), 0);
      else goToMatch(next, index + 1);
    } else {
      const previous = at === 0 ? -1 : text.lastIndexOf(query, at - 1);
      if (previous === -1) goToMatch(text.lastIndexOf(query), count - 1);
      else goToMatch(previous, index - 1);
    }
  }

  // Compares the dump on the page with a second file's.
  async function compareWith(file) {
    if (current === null || current.result === null) return;
    const run = current;
    diffSummary.textContent = `Comparing with ${file.name}…`;
    const bytes = new Uint8Array(await file.arrayBuffer());
    const other = (await loading).dump(bytes);
    if (run !== current) return;
    const label = encoding.value;
    const { added, removed } = LineDiff.render(diff, run.view.text(), new TextDecoder(label).decode(other.output));
    const failure = other.error === null ? '' : ` (${file.name}: ${other.error})`;
    diffSummary.textContent = added + removed === 0
      ? `${run.file.name} and ${file.name} have the same dump${failure}.`
      : `From ${run.file.name} to ${file.name}: ${plural(added, 'line')} added, ${plural(removed, 'line')} removed${failure}.`;
  }

  let searchTimer = 0;
  search.addEventListener('input', () => {
    clearSearch();
    clearTimeout(searchTimer);
    searchTimer = setTimeout(startSearch, 150);
  });
  find.addEventListener('submit', (event) => {
    event.preventDefault();
    step(true);
  });
  search.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && event.shiftKey) {
      event.preventDefault();
      step(false);
    } else if (event.key === 'Escape') {
      search.value = '';
      clearSearch();
    }
  });
  $('search-previous').addEventListener('click', () => step(false));
  // "/" goes to the search box, unless one is typing.
  document.addEventListener('keydown', (event) => {
    const typing = event.target instanceof HTMLInputElement || event.target instanceof HTMLSelectElement;
    if (event.key === '/' && !typing && !find.hidden) {
      event.preventDefault();
      search.focus();
    }
  });

  fileInput.addEventListener('change', () => {
    if (fileInput.files.length > 0) open(fileInput.files[0]);
  });
  compareInput.addEventListener('change', () => {
    if (compareInput.files.length > 0) compareWith(compareInput.files[0]);
  });
  encoding.addEventListener('change', () => {
    if (current === null) return;
    current.view.redecode(encoding.value);
    if (current.result !== null) showStructure(current);
    if (search.value !== '') startSearch();
  });
  download.addEventListener('click', save);
  let resizeTimer = 0;
  window.addEventListener('resize', () => {
    clearTimeout(resizeTimer);
    resizeTimer = setTimeout(() => {
      if (current?.result && !tempoFigure.hidden) TempoPlot.render(tempoPlot, current.result.outline.tempoMap,
                                                                  current.result.counts.division);
    }, 150);
  });

  // Dropping files: on the comparison, a second file to compare; anywhere
  // else, a file to read (and with two files, the second compared with it).
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
  document.addEventListener('drop', async (event) => {
    event.preventDefault();
    dragDepth = 0;
    dropping.hidden = true;
    const [first, second] = event.dataTransfer.files;
    if (first === undefined) return;
    if (!comparing.hidden && comparing.contains(event.target)) {
      compareWith(first);
      return;
    }
    await open(first);
    if (second !== undefined) compareWith(second);
  });
})();
