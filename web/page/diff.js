// A line diff of two texts (Myers' algorithm on the lines that differ once
// the common start and end are set aside), and its rendering in #diff: each
// added line in an element of class "added", each removed one in one of
// class "removed", unchanged stretches folded but for a few lines of context.
'use strict';

const LineDiff = (() => {
  const CONTEXT = 3;
  // Beyond this many edits the middle is given as removed, then added: a
  // correct diff, if not the shortest, found in bounded time.
  const MAX_EDITS = 2000;
  // Changed lines shown at most; the summary counts them all.
  const SHOWN_CHANGES = 20000;

  const linesOf = (text) => {
    const lines = text.split('\n');
    if (lines[lines.length - 1] === '') lines.pop();
    return lines;
  };

  // The lines as numbers, equal for equal lines.
  function numbered(a, b) {
    const ids = new Map();
    const id = (line) => {
      let value = ids.get(line);
      if (value === undefined) ids.set(line, (value = ids.size));
      return value;
    };
    return [Int32Array.from(a, id), Int32Array.from(b, id)];
  }

  // The edit script of a against b as runs: { kind: 'same' | 'removed' |
  // 'added', a, b, count } (a and b: where the run starts in each).
  function diff(aLines, bLines) {
    const [a, b] = numbered(aLines, bLines);
    let start = 0;
    while (start < a.length && start < b.length && a[start] === b[start]) start++;
    let endA = a.length;
    let endB = b.length;
    while (endA > start && endB > start && a[endA - 1] === b[endB - 1]) {
      endA--;
      endB--;
    }
    const runs = [];
    const push = (kind, at, bt, count) => {
      if (count === 0) return;
      const last = runs[runs.length - 1];
      if (last !== undefined && last.kind === kind) last.count += count;
      else runs.push({ kind, a: at, b: bt, count });
    };
    push('same', 0, 0, start);
    const middle = myers(a.subarray(start, endA), b.subarray(start, endB));
    if (middle === null) {
      push('removed', start, start, endA - start);
      push('added', endA, start, endB - start);
    } else {
      for (const [kind, i, j, count] of middle) push(kind, start + i, start + j, count);
    }
    push('same', endA, endB, a.length - endA);
    return runs;
  }

  // Myers' greedy shortest edit script: [kind, i, j, count] steps, or null
  // beyond MAX_EDITS edits.
  function myers(a, b) {
    const n = a.length;
    const m = b.length;
    const max = Math.min(n + m, MAX_EDITS);
    const offset = max + 1;
    const v = new Int32Array(2 * max + 3);
    const trace = [];
    for (let d = 0; d <= max; d++) {
      trace.push(v.slice(offset - d - 1, offset + d + 2));
      for (let k = -d; k <= d; k += 2) {
        let x = k === -d || (k !== d && v[offset + k - 1] < v[offset + k + 1]) ? v[offset + k + 1] : v[offset + k - 1] + 1;
        let y = x - k;
        while (x < n && y < m && a[x] === b[y]) {
          x++;
          y++;
        }
        v[offset + k] = x;
        if (x >= n && y >= m) return backtrack(trace, n, m);
      }
    }
    return null;
  }

  // Walks the saved frontiers back from the end: trace[d] holds v[-d-1..d+1]
  // as it stood before step d.
  function backtrack(trace, n, m) {
    const steps = [];
    let x = n;
    let y = m;
    for (let d = trace.length - 1; d >= 0; d--) {
      const v = trace[d];
      const at = (k) => v[k + d + 1];
      const k = x - y;
      const down = k === -d || (k !== d && at(k - 1) < at(k + 1));
      const previousK = down ? k + 1 : k - 1;
      const previousX = d === 0 ? 0 : at(previousK);
      const previousY = previousX - previousK;
      const startX = d === 0 ? 0 : down ? previousX : previousX + 1;
      const startY = d === 0 ? 0 : startX - k;
      if (x > startX) steps.push(['same', startX, startY, x - startX]);
      if (d > 0) {
        if (down) steps.push(['added', previousX, previousY, 1]);
        else steps.push(['removed', previousX, previousY, 1]);
      }
      x = previousX;
      y = previousY;
    }
    return steps.reverse();
  }

  function line(kind, text) {
    const node = document.createElement('span');
    node.className = kind;
    node.textContent = text + '\n';
    return node;
  }

  // A fold for lines a[from..to): a button that shows them.
  function fold(a, from, to) {
    const node = document.createElement('div');
    node.className = 'fold';
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = `${(to - from).toLocaleString('en')} unchanged lines`;
    button.addEventListener('click', () => node.replaceWith(line('same', a.slice(from, to).join('\n'))));
    node.append(button);
    return node;
  }

  // Renders the diff of two texts into container; returns { added, removed }.
  function render(container, aText, bText) {
    const a = linesOf(aText);
    const b = linesOf(bText);
    const runs = diff(a, b);
    const pre = document.createElement('pre');
    let added = 0;
    let removed = 0;
    let shown = 0;
    runs.forEach((run, index) => {
      if (run.kind === 'same') {
        const head = index === 0 ? 0 : CONTEXT;
        const tail = index === runs.length - 1 ? 0 : CONTEXT;
        if (run.count <= head + tail + 1) {
          pre.append(line('same', a.slice(run.a, run.a + run.count).join('\n')));
          return;
        }
        if (head > 0) pre.append(line('same', a.slice(run.a, run.a + head).join('\n')));
        pre.append(fold(a, run.a + head, run.a + run.count - tail));
        if (tail > 0) pre.append(line('same', a.slice(run.a + run.count - tail, run.a + run.count).join('\n')));
        return;
      }
      const source = run.kind === 'added' ? b : a;
      const first = run.kind === 'added' ? run.b : run.a;
      if (run.kind === 'added') added += run.count;
      else removed += run.count;
      for (let i = 0; i < run.count && shown < SHOWN_CHANGES; i++, shown++) {
        pre.append(line(run.kind, source[first + i]));
      }
    });
    if (added + removed > shown) {
      const note = document.createElement('p');
      note.className = 'note';
      note.textContent = `The first ${shown.toLocaleString('en')} changed lines are shown.`;
      container.replaceChildren(pre, note);
    } else {
      container.replaceChildren(pre);
    }
    return { added, removed };
  }

  return { diff, render };
})();
