// The tempo map as an SVG picture in #tempo-plot: the tempo over the ticks as
// one stepped line (each tempo holds until the next one), the time signatures
// as dashed lines labelled where there is room.  One path however many
// tempos there are; dots on the changes while there are few enough to see.
// The axes' ranges are on the element (data-ticks, data-bpm, data-area) for
// whoever reads the picture back.
'use strict';

const TempoPlot = (() => {
  const SVG = 'http://www.w3.org/2000/svg';
  const HEIGHT = 180;
  const MARGIN = { left: 64, right: 14, top: 16, bottom: 26 };
  const DOTS_UP_TO = 200;
  const LABEL_GAP = 30; // pixels between signature labels

  const round = (n) => Math.round(n * 100) / 100;
  const least = (values, start) => values.reduce((a, b) => Math.min(a, b), start);
  const most = (values, start) => values.reduce((a, b) => Math.max(a, b), start);
  const number = (n) => n.toLocaleString('en', { maximumFractionDigits: 2 });

  function element(name, attributes, text) {
    const node = document.createElementNS(SVG, name);
    for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, String(value));
    if (text !== undefined) node.textContent = text;
    return node;
  }

  // The events by tick; those of one tick keep their file order, so the
  // last tempo of a tick is the one that holds.
  const byTick = (events) => events.map((event, index) => ({ event, index }))
    .sort((a, b) => a.event.tick - b.event.tick || a.index - b.index).map(({ event }) => event);

  function ranges(tempos, signatures, division) {
    const ticks = [...tempos, ...signatures].map((event) => event.tick);
    const last = most(ticks, 0);
    const tickMax = last + Math.max(last * 0.05, 4 * division, 1);
    const finite = tempos.map((tempo) => tempo.bpm).filter(Number.isFinite);
    let low = finite.length === 0 ? 120 : least(finite, Infinity);
    let high = finite.length === 0 ? 120 : most(finite, -Infinity);
    const pad = high === low ? Math.max(high * 0.1, 1) : (high - low) * 0.08;
    low = Math.max(0, low - pad);
    high += pad;
    return { tickMax, low, high };
  }

  // Draws tempoMap (as the module gives it) into svg.
  function render(svg, tempoMap, division) {
    const width = Math.max(svg.clientWidth || svg.parentElement.clientWidth || 600, 240);
    svg.replaceChildren();
    svg.setAttribute('viewBox', `0 0 ${width} ${HEIGHT}`);
    svg.setAttribute('height', HEIGHT);
    const events = byTick(tempoMap);
    const tempos = events.filter((event) => event.type === 'tempo');
    const signatures = events.filter((event) => event.type === 'timeSignature');
    const { tickMax, low, high } = ranges(tempos, signatures, division || 480);
    const area = { x0: MARGIN.left, y0: MARGIN.top, x1: width - MARGIN.right, y1: HEIGHT - MARGIN.bottom };
    const x = (tick) => round(area.x0 + (tick / tickMax) * (area.x1 - area.x0));
    const y = (bpm) => (Number.isFinite(bpm) ? round(area.y1 - ((bpm - low) / (high - low)) * (area.y1 - area.y0)) : area.y0);
    svg.dataset.ticks = `0 ${tickMax}`;
    svg.dataset.bpm = `${low} ${high}`;
    svg.dataset.area = `${area.x0} ${area.y0} ${area.x1} ${area.y1}`;

    svg.append(element('rect', { class: 'frame', x: area.x0, y: area.y0, width: area.x1 - area.x0,
                                 height: area.y1 - area.y0 }));
    axes(svg, area, { tickMax, low, high });
    signatureLines(svg, signatures, x, area);
    if (tempos.length > 0) {
      let path = `M ${x(tempos[0].tick)} ${y(tempos[0].bpm)}`;
      for (const tempo of tempos.slice(1)) path += ` H ${x(tempo.tick)} V ${y(tempo.bpm)}`;
      path += ` H ${area.x1}`;
      svg.append(element('path', { class: 'tempo', d: path }));
    }
    if (tempos.length <= DOTS_UP_TO) {
      for (const tempo of tempos) {
        const dot = element('circle', { class: 'point', cx: x(tempo.tick), cy: y(tempo.bpm), r: 3 });
        dot.append(element('title', {}, `${number(tempo.bpm)} BPM at tick ${tempo.tick}`));
        svg.append(dot);
      }
    }
    const bpms = tempos.map((tempo) => tempo.bpm);
    const summary = tempos.length === 0 ? 'no tempo'
      : `${tempos.length} tempos from ${number(least(bpms, Infinity))} to ${number(most(bpms, -Infinity))} BPM`;
    svg.setAttribute('aria-label', `Tempo over ticks: ${summary}, ${signatures.length} time signatures`);
  }

  function axes(svg, area, { tickMax, low, high }) {
    const label = (attributes, text) => svg.append(element('text', { class: 'axis', ...attributes }, text));
    label({ x: area.x0 - 6, y: area.y0 + 4, 'text-anchor': 'end' }, number(high));
    label({ x: area.x0 - 6, y: area.y1, 'text-anchor': 'end' }, number(low));
    label({ x: 4, y: (area.y0 + area.y1) / 2, 'text-anchor': 'start' }, 'BPM');
    label({ x: area.x0, y: area.y1 + 16, 'text-anchor': 'start' }, '0');
    label({ x: area.x1, y: area.y1 + 16, 'text-anchor': 'end' }, `${number(Math.round(tickMax))} ticks`);
  }

  function signatureLines(svg, signatures, x, area) {
    let lastLabel = -Infinity;
    for (const signature of signatures) {
      const at = x(signature.tick);
      const text = `${signature.numerator}/${signature.denominator}`;
      const line = element('line', { class: 'signature', x1: at, x2: at, y1: area.y0, y2: area.y1 });
      line.append(element('title', {}, `${text} at tick ${signature.tick}`));
      svg.append(line);
      if (at - lastLabel >= LABEL_GAP) {
        svg.append(element('text', { class: 'signature-label', x: at + 3, y: area.y0 + 12 }, text));
        lastLabel = at;
      }
    }
  }

  return { render };
})();
