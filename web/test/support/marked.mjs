// The dump's line under the mark of a chosen line, as the browser lays it
// out: the text at the mark's middle, and whether the mark is in the dump's view.
export function markedLine(page) {
  return page.evaluate(() => {
    const dump = document.getElementById('dump');
    const mark = dump.querySelector('.mark');
    if (mark === null || mark.hidden) return { text: null, inView: false };
    let box = mark.getBoundingClientRect();
    let view = dump.getBoundingClientRect();
    const inView = box.top >= view.top && box.bottom <= view.bottom;
    // The window may have the dump out of sight: a point there has no caret.
    mark.scrollIntoView({ block: 'center' });
    box = mark.getBoundingClientRect();
    view = dump.getBoundingClientRect();
    const caret = document.caretRangeFromPoint(view.left + 24, (box.top + box.bottom) / 2);
    const { data } = caret.startContainer;
    const start = data.lastIndexOf('\n', caret.startOffset - 1) + 1;
    const end = data.indexOf('\n', start);
    return { text: data.slice(start, end === -1 ? data.length : end), inView };
  });
}
