// The outline of the dump in #outline: the master block, the tempo map and
// each voice track with its sections, each entry named as its heading in the
// dump and counting its fields (sections), events (tempo map) or sections
// (tracks).  A track's sections are listed when the track is opened, a few
// hundred at a time, so that a file of a hundred thousand sections stays
// quick.  Choosing an entry calls choose(heading).
'use strict';

const Outline = (() => {
  const SHOWN_AT_ONCE = 500;
  // Tracks start open when the whole outline is at most this long.
  const OPEN_UP_TO = 200;

  const number = (n) => n.toLocaleString('en');
  const plural = (n, word) => `${number(n)} ${word}${n === 1 ? '' : 's'}`;

  // The name in a heading line "[name]".
  const nameOf = (line) => line.slice(1, -1);

  // headings: the dumper's outline headings; lineAt(offset): the dump's line
  // there; tempoEvents: the tempo map's length.
  function render(list, headings, { lineAt, tempoEvents, choose }) {
    list.replaceChildren();
    const open = headings.length <= OPEN_UP_TO;
    let track = null;
    for (const heading of headings) {
      if (heading.kind === 'section') {
        if (track !== null) track.sections.push(heading);
        continue;
      }
      const item = entry(nameOf(lineAt(heading.offset)), heading, choose);
      if (heading.kind === 'tempoMap') item.append(count(plural(tempoEvents, 'event')));
      list.append(item);
      track = heading.kind === 'track' ? { item, heading, sections: [] } : null;
      if (track !== null) item.track = track;
    }
    for (const item of list.children) {
      if (item.track !== undefined) makeGroup(item, item.track, { lineAt, choose, open });
    }
  }

  function entry(name, heading, choose) {
    const item = document.createElement('li');
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'entry';
    button.textContent = name;
    button.addEventListener('click', () => choose(heading));
    item.append(button);
    return item;
  }

  function count(text) {
    const span = document.createElement('span');
    span.className = 'count';
    span.textContent = text;
    return span;
  }

  // A track's entry with a toggle that shows and hides its sections.
  function makeGroup(item, track, { lineAt, choose, open }) {
    item.classList.add('group');
    item.append(count(plural(track.sections.length, 'section')));
    const toggle = document.createElement('button');
    toggle.type = 'button';
    toggle.className = 'toggle';
    const name = item.querySelector('.entry').textContent;
    toggle.setAttribute('aria-label', `Sections of ${name}`);
    item.prepend(toggle);
    const sections = document.createElement('ul');
    item.append(sections);
    let shown = 0;
    const more = document.createElement('button');
    more.type = 'button';
    more.className = 'more';
    const showMore = () => {
      more.remove();
      const end = Math.min(shown + SHOWN_AT_ONCE, track.sections.length);
      for (; shown < end; shown++) {
        const section = track.sections[shown];
        const line = entry(nameOf(lineAt(section.offset)), section, choose);
        line.append(count(plural(section.fields, 'field')));
        sections.append(line);
      }
      if (shown < track.sections.length) {
        more.textContent = `Show ${plural(Math.min(SHOWN_AT_ONCE, track.sections.length - shown), 'more section')}`;
        const last = document.createElement('li');
        last.append(more);
        sections.append(last);
      }
    };
    more.addEventListener('click', () => {
      more.parentElement.remove();
      showMore();
    });
    const setOpen = (isOpen) => {
      toggle.setAttribute('aria-expanded', String(isOpen));
      sections.hidden = !isOpen;
      if (isOpen && shown === 0) showMore();
    };
    toggle.addEventListener('click', () => setOpen(sections.hidden));
    setOpen(open);
  }

  return { render };
})();
