// The dump on the page: its bytes as they came, shown in blocks of whole
// lines (one element per block, never one per line); the browser lays out
// only the blocks in view (see style.css), each sized meanwhile by its lines.
// A browser places nothing lower than about 33 million pixels, so a dump
// taller than a page of PAGE_HEIGHT pixels is shown a page of blocks at a
// time, with a bar to go from one to the next.  The view maps the output's
// byte offsets to lines, scrolls to a line and marks it, and finds text.
'use strict';

const DumpView = (() => {
  const BLOCK_LINES = 256;
  const LINE_HEIGHT_EM = 1.35; // as style.css sets #dump's line-height
  const NEWLINE = 0x0a; // also in Shift_JIS and Windows-1252, never part of another character
  const PAGE_HEIGHT = 1 << 23; // pixels: a quarter of what a browser can place, for zoom and larger fonts

  // The output's bytes, in one buffer that grows by doubling.
  class Bytes {
    constructor() {
      this.buffer = new Uint8Array(1 << 16);
      this.size = 0;
    }

    add(bytes) {
      if (this.size + bytes.length > this.buffer.length) {
        const grown = new Uint8Array(Math.max(2 * this.buffer.length, this.size + bytes.length));
        grown.set(this.buffer.subarray(0, this.size));
        this.buffer = grown;
      }
      this.buffer.set(bytes, this.size);
      this.size += bytes.length;
    }

    view(start = 0, end = this.size) {
      return this.buffer.subarray(start, end);
    }
  }

  class View {
    // element: the <pre> of the dump; pager: { bar, label, previous, next },
    // the bar shown when the dump has more than one page.
    constructor(element, label, pager) {
      this.element = element;
      this.pager = pager;
      this.bytes = new Bytes();
      pager.previous.onclick = () => this.turn(-1);
      pager.next.onclick = () => this.turn(1);
      this.reset(label);
    }

    reset(label) {
      this.decoder = new TextDecoder(label);
      this.shown = 0; // bytes shown in blocks: all lines up to there
      this.blocks = []; // { node, byteStart, lineStart, charStart, text, page }; node only on the page shown
      this.pages = []; // { firstBlock, lineStart, lines }
      this.page = 0; // the page in #dump
      this.pageLines = Math.max(BLOCK_LINES, Math.floor(PAGE_HEIGHT / this.lineHeight()));
      this.lines = 0;
      this.chars = 0;
      this.wholeText = null;
      this.element.replaceChildren();
      this.mark = document.createElement('div');
      this.mark.className = 'mark';
      this.mark.hidden = true;
      this.showPager();
    }

    lineHeight() {
      return parseFloat(getComputedStyle(this.element).fontSize) * LINE_HEIGHT_EM;
    }

    // Takes more output; shows the lines it completes.
    add(bytes) {
      this.bytes.add(bytes);
      const end = this.bytes.view().lastIndexOf(NEWLINE) + 1;
      if (end > this.shown) this.showLines(end);
    }

    // The output has ended: shows its last line, which may lack a newline.
    end() {
      if (this.bytes.size > this.shown) this.showLines(this.bytes.size);
      this.ended = true;
    }

    // Shows the same bytes again, decoded for label.
    redecode(label) {
      const ended = this.ended;
      this.reset(label);
      this.add(new Uint8Array(0));
      if (ended) this.end();
    }

    // Shows the bytes from this.shown to end, which ends a line or the output.
    showLines(end) {
      const all = this.bytes.view();
      let start = this.shown;
      while (start < end) {
        let stop = start;
        let lines = 0;
        while (lines < BLOCK_LINES && stop < end) {
          const newline = all.indexOf(NEWLINE, stop);
          stop = newline === -1 || newline >= end ? end : newline + 1;
          lines++;
        }
        this.appendBlock(start, stop, lines);
        start = stop;
      }
      this.shown = end;
      this.wholeText = null;
      this.showPager();
    }

    appendBlock(start, stop, lines) {
      const text = this.decoder.decode(this.bytes.view(start, stop));
      let last = this.pages.at(-1);
      if (last === undefined || (last.lines > 0 && last.lines + lines > this.pageLines)) {
        last = { firstBlock: this.blocks.length, lineStart: this.lines, lines: 0 };
        this.pages.push(last);
      }
      last.lines += lines;
      const block = { node: null, byteStart: start, lineStart: this.lines, charStart: this.chars, text, lines,
                      page: this.pages.length - 1 };
      this.blocks.push(block);
      if (block.page === this.page) this.element.append(this.nodeOf(block));
      this.lines += lines;
      this.chars += text.length;
    }

    nodeOf(block) {
      if (block.node === null) {
        block.node = document.createElement('span');
        block.node.className = 'block';
        block.node.style.containIntrinsicSize = `auto ${(block.lines * LINE_HEIGHT_EM).toFixed(2)}em`;
        block.node.textContent = block.text;
      }
      return block.node;
    }

    // Puts a page's blocks into #dump, in place of the page there.
    showPage(page) {
      if (page === this.page) return;
      for (const block of this.blocksOf(this.page)) block.node = null;
      this.page = page;
      this.element.replaceChildren(...Array.from(this.blocksOf(page), (block) => this.nodeOf(block)));
      this.showPager();
    }

    * blocksOf(page) {
      const end = page + 1 < this.pages.length ? this.pages[page + 1].firstBlock : this.blocks.length;
      for (let index = this.pages[page]?.firstBlock ?? end; index < end; index++) yield this.blocks[index];
    }

    // The next page (+1) or the one before (-1), from its top or its end.
    turn(by) {
      const page = this.page + by;
      if (page < 0 || page >= this.pages.length) return;
      this.showPage(page);
      this.element.scrollTop = by > 0 ? 0 : this.element.scrollHeight;
    }

    showPager() {
      const { bar, label, previous, next } = this.pager;
      bar.hidden = this.pages.length < 2;
      if (bar.hidden) return;
      const { lineStart, lines } = this.pages[this.page];
      const number = (n) => n.toLocaleString('en');
      label.textContent = `Lines ${number(lineStart + 1)}–${number(lineStart + lines)} of ${number(this.lines)}`;
      previous.disabled = this.page === 0;
      next.disabled = this.page === this.pages.length - 1;
    }

    // The whole text shown, joined once.
    text() {
      if (this.wholeText === null) this.wholeText = this.blocks.map((block) => block.text).join('');
      return this.wholeText;
    }

    // The text of the line that begins at a byte offset of the output.
    lineAt(offset) {
      const all = this.bytes.view();
      const newline = all.indexOf(NEWLINE, offset);
      return this.decoder.decode(all.subarray(offset, newline === -1 ? all.length : newline));
    }

    // The line number (from 0) of a byte offset of the output.
    lineOfOffset(offset) {
      const block = this.blocks[lastAtMost(this.blocks, 'byteStart', offset)];
      const all = this.bytes.view();
      let line = block.lineStart;
      for (let at = all.indexOf(NEWLINE, block.byteStart); at !== -1 && at < offset; at = all.indexOf(NEWLINE, at + 1)) {
        line++;
      }
      return line;
    }

    // The line number of a character index of text().
    lineOfChar(index) {
      const block = this.blocks[lastAtMost(this.blocks, 'charStart', index)];
      let line = block.lineStart;
      const end = index - block.charStart;
      for (let at = block.text.indexOf('\n'); at !== -1 && at < end; at = block.text.indexOf('\n', at + 1)) line++;
      return line;
    }

    // A DOM range over text()'s characters from start to end (in one block),
    // whose page is shown.
    rangeOf(start, end) {
      const block = this.blocks[lastAtMost(this.blocks, 'charStart', start)];
      this.showPage(block.page);
      const range = document.createRange();
      const node = block.node.firstChild;
      range.setStart(node, start - block.charStart);
      range.setEnd(node, Math.min(end - block.charStart, block.text.length));
      return range;
    }

    // Scrolls the line into view near the top and marks it.  The mark goes
    // into the line's block, placed from the block's top: offsets from the
    // top of a dump of millions of lines would lose precision.
    showLine(line) {
      const block = this.blocks[lastAtMost(this.blocks, 'lineStart', line)];
      this.showPage(block.page);
      const lineHeight = this.lineHeight();
      const top = (line - block.lineStart) * lineHeight;
      this.mark.style.top = `${top}px`;
      this.mark.style.height = `${lineHeight}px`;
      this.mark.dataset.line = String(line);
      this.mark.hidden = false;
      block.node.append(this.mark);
      this.element.scrollTop = Math.max(0, block.node.offsetTop + top - 2 * lineHeight);
    }
  }

  // The index of the last item whose key is at most value (items sorted by key).
  function lastAtMost(items, key, value) {
    let low = 0;
    let high = items.length - 1;
    while (low < high) {
      const middle = (low + high + 1) >> 1;
      if (items[middle][key] <= value) low = middle;
      else high = middle - 1;
    }
    return low;
  }

  return { View };
})();
