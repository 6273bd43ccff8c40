// Makes the benchmark's scenes as SVG files, for `vemo convert` to turn into drawings that
// every renderer of the benchmark then draws (bench_real_drawings reads the drawings):
//   world-fills-1024.svg, world-borders-1024.svg, world-fills-1920.svg, world-borders-1920.svg
//       the world map of @svg-maps/world at 1024 x 768 and 1920 x 1080, a calm colour per
//       country, with 0.5-pixel borders (round joins and caps) or without
//   usa-borders-1024.svg   the US map of @svg-maps/usa with 0.75-pixel borders
//   icons-1024.svg         a sheet of icons from simple-icons and @mdi/svg, 40 pixels apart
//   clipart/NAME.svg       six large drawings of Debian's openclipart-svg (copies), picked by
//                          the number of objects they draw, not by how anyone renders them
//
//   node scenes.mjs OUTPUT-FOLDER [openclipart folder]
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import { SVGPathData } from 'svg-pathdata';

const require = createRequire(import.meta.url);
const { parseSync } = require('svgson');
const here = path.dirname(new URL(import.meta.url).pathname);
const modules = path.join(here, 'node_modules');

const f6 = (v) => (Math.round(v * 10000) / 10000).toString();

// ---------------------------------------------------------------------------------------------
// Colours
// ---------------------------------------------------------------------------------------------
const named = {
  black: 0x000000, white: 0xffffff, red: 0xff0000, green: 0x008000, blue: 0x0000ff,
  yellow: 0xffff00, gray: 0x808080, grey: 0x808080, silver: 0xc0c0c0, maroon: 0x800000,
  purple: 0x800080, fuchsia: 0xff00ff, lime: 0x00ff00, olive: 0x808000, navy: 0x000080,
  teal: 0x008080, aqua: 0x00ffff, orange: 0xffa500, brown: 0xa52a2a, pink: 0xffc0cb,
  darkgreen: 0x006400, darkblue: 0x00008b, darkred: 0x8b0000, lightgray: 0xd3d3d3,
  lightgrey: 0xd3d3d3, darkgray: 0xa9a9a9, darkgrey: 0xa9a9a9, gold: 0xffd700, tan: 0xd2b48c,
};

function parseColour(text, gradients) {
  if (text === undefined || text === null) return undefined;
  text = String(text).trim().toLowerCase();
  if (text === 'none' || text === 'transparent') return null;
  let m = text.match(/^url\(\s*#([^)\s]+)\s*\)/);
  if (m) return gradients.has(m[1]) ? gradients.get(m[1]) : null;
  if (text[0] === '#') {
    let h = text.slice(1);
    if (h.length === 3) h = h[0] + h[0] + h[1] + h[1] + h[2] + h[2];
    const v = parseInt(h.slice(0, 6), 16);
    return Number.isNaN(v) ? 0 : v;
  }
  m = text.match(/^rgb\(\s*([\d.]+)(%?)\s*,\s*([\d.]+)(%?)\s*,\s*([\d.]+)(%?)\s*\)/);
  if (m) {
    const c = (i) => Math.max(0, Math.min(255, Math.round(m[i + 1] === '%' ? m[i] * 2.55 : +m[i])));
    return (c(1) << 16) | (c(3) << 8) | c(5);
  }
  if (text in named) return named[text];
  if (text === 'currentcolor') return 0;
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Matrices [a b c d e f]: x' = a x + c y + e, y' = b x + d y + f
// ---------------------------------------------------------------------------------------------
const identity = [1, 0, 0, 1, 0, 0];
function multiply(m, n) {
  return [
    m[0] * n[0] + m[2] * n[1], m[1] * n[0] + m[3] * n[1],
    m[0] * n[2] + m[2] * n[3], m[1] * n[2] + m[3] * n[3],
    m[0] * n[4] + m[2] * n[5] + m[4], m[1] * n[4] + m[3] * n[5] + m[5],
  ];
}
function parseTransform(text) {
  let m = identity;
  if (!text) return m;
  const re = /(matrix|translate|scale|rotate|skewX|skewY)\s*\(([^)]*)\)/g;
  let t;
  while ((t = re.exec(text))) {
    const v = t[2].split(/[\s,]+/).filter((s) => s.length).map(Number);
    let n = identity;
    switch (t[1]) {
      case 'matrix': n = v.length === 6 ? v : identity; break;
      case 'translate': n = [1, 0, 0, 1, v[0] || 0, v[1] || 0]; break;
      case 'scale': n = [v[0], 0, 0, v.length > 1 ? v[1] : v[0], 0, 0]; break;
      case 'rotate': {
        const a = ((v[0] || 0) * Math.PI) / 180, c = Math.cos(a), s = Math.sin(a);
        n = [c, s, -s, c, 0, 0];
        if (v.length >= 3) n = multiply(multiply([1, 0, 0, 1, v[1], v[2]], n), [1, 0, 0, 1, -v[1], -v[2]]);
        break;
      }
      case 'skewX': n = [1, 0, Math.tan(((v[0] || 0) * Math.PI) / 180), 1, 0, 0]; break;
      case 'skewY': n = [1, Math.tan(((v[0] || 0) * Math.PI) / 180), 0, 1, 0, 0]; break;
    }
    m = multiply(m, n);
  }
  return m;
}

// ---------------------------------------------------------------------------------------------
// Styles
// ---------------------------------------------------------------------------------------------
const inherited = ['fill', 'stroke', 'stroke-width', 'stroke-linejoin', 'stroke-linecap',
  'stroke-miterlimit', 'fill-rule', 'fill-opacity', 'stroke-opacity', 'visibility', 'color'];

function ownStyle(node) {
  const s = {};
  for (const k of [...inherited, 'opacity', 'display']) {
    if (node.attributes[k] !== undefined) s[k] = node.attributes[k];
  }
  const css = node.attributes.style;
  if (css) {
    for (const part of css.split(';')) {
      const i = part.indexOf(':');
      if (i > 0) s[part.slice(0, i).trim()] = part.slice(i + 1).trim();
    }
  }
  return s;
}

function number(v, fallback) {
  const n = parseFloat(v);
  return Number.isFinite(n) ? n : fallback;
}

// ---------------------------------------------------------------------------------------------
// Shapes to path data
// ---------------------------------------------------------------------------------------------
function shapePath(node) {
  const a = node.attributes;
  const n = (k) => number(a[k], 0);
  switch (node.name) {
    case 'path': return a.d || '';
    case 'rect': {
      const x = n('x'), y = n('y'), w = n('width'), h = n('height');
      if (w <= 0 || h <= 0) return '';
      let rx = number(a.rx, NaN), ry = number(a.ry, NaN);
      if (Number.isNaN(rx)) rx = Number.isNaN(ry) ? 0 : ry;
      if (Number.isNaN(ry)) ry = rx;
      rx = Math.min(rx, w / 2); ry = Math.min(ry, h / 2);
      if (rx <= 0 || ry <= 0) return `M${x} ${y}H${x + w}V${y + h}H${x}Z`;
      return `M${x + rx} ${y}H${x + w - rx}A${rx} ${ry} 0 0 1 ${x + w} ${y + ry}V${y + h - ry}` +
        `A${rx} ${ry} 0 0 1 ${x + w - rx} ${y + h}H${x + rx}A${rx} ${ry} 0 0 1 ${x} ${y + h - ry}` +
        `V${y + ry}A${rx} ${ry} 0 0 1 ${x + rx} ${y}Z`;
    }
    case 'circle':
    case 'ellipse': {
      const cx = n('cx'), cy = n('cy');
      const rx = node.name === 'circle' ? n('r') : n('rx');
      const ry = node.name === 'circle' ? n('r') : n('ry');
      if (rx <= 0 || ry <= 0) return '';
      return `M${cx + rx} ${cy}A${rx} ${ry} 0 0 1 ${cx} ${cy + ry}A${rx} ${ry} 0 0 1 ${cx - rx} ${cy}` +
        `A${rx} ${ry} 0 0 1 ${cx} ${cy - ry}A${rx} ${ry} 0 0 1 ${cx + rx} ${cy}Z`;
    }
    case 'line': return `M${n('x1')} ${n('y1')}L${n('x2')} ${n('y2')}`;
    case 'polyline':
    case 'polygon': {
      const v = (a.points || '').split(/[\s,]+/).filter((s) => s.length).map(Number);
      if (v.length < 4) return '';
      let d = `M${v[0]} ${v[1]}`;
      for (let i = 2; i + 1 < v.length; i += 2) d += `L${v[i]} ${v[i + 1]}`;
      return node.name === 'polygon' ? d + 'Z' : d;
    }
  }
  return '';
}

// Path data through the matrix, as M/L/C/Z lines.
function pathLines(d, m) {
  let data;
  try {
    data = new SVGPathData(d).toAbs().normalizeHVZ(false).normalizeST().qtToC().aToC()
      .matrix(m[0], m[1], m[2], m[3], m[4], m[5]);
  } catch (e) {
    return [];
  }
  const lines = [];
  let drawn = false;
  for (const c of data.commands) {
    switch (c.type) {
      case SVGPathData.MOVE_TO: lines.push(`M ${f6(c.x)} ${f6(c.y)}`); break;
      case SVGPathData.LINE_TO: lines.push(`L ${f6(c.x)} ${f6(c.y)}`); drawn = true; break;
      case SVGPathData.CURVE_TO:
        lines.push(`C ${f6(c.x1)} ${f6(c.y1)} ${f6(c.x2)} ${f6(c.y2)} ${f6(c.x)} ${f6(c.y)}`);
        drawn = true;
        break;
      case SVGPathData.CLOSE_PATH: lines.push('Z'); break;
    }
  }
  if (!drawn || !lines[0].startsWith('M')) return [];
  return lines;
}

// ---------------------------------------------------------------------------------------------
// A whole SVG document into objects
// ---------------------------------------------------------------------------------------------
const joins = { miter: 0, round: 1, bevel: 2 };
const caps = { butt: 0, round: 1, square: 2 };

function gradientColours(root) {
  const byId = new Map();
  const walk = (node) => {
    if (node.attributes && node.attributes.id) byId.set(node.attributes.id, node);
    for (const c of node.children || []) walk(c);
  };
  walk(root);
  const colours = new Map();
  for (const [id, node] of byId) {
    if (!/Gradient$/.test(node.name) && node.name !== 'pattern') continue;
    let stops = node.children.filter((c) => c.name === 'stop');
    let ref = node, hops = 0;
    while (!stops.length && hops++ < 8) {
      const href = ref.attributes['xlink:href'] || ref.attributes.href;
      if (!href || !byId.has(href.slice(1))) break;
      ref = byId.get(href.slice(1));
      stops = (ref.children || []).filter((c) => c.name === 'stop');
    }
    if (!stops.length) { colours.set(id, 0x808080); continue; }
    let r = 0, g = 0, b = 0;
    for (const s of stops) {
      const st = ownStyle(s);
      const c = parseColour(st['stop-color'] || s.attributes['stop-color'] || 'black', new Map()) || 0;
      r += (c >> 16) & 255; g += (c >> 8) & 255; b += c & 255;
    }
    const k = stops.length;
    colours.set(id, (Math.round(r / k) << 16) | (Math.round(g / k) << 8) | Math.round(b / k));
  }
  return colours;
}

function viewBoxOf(root) {
  const vb = (root.attributes.viewBox || '').split(/[\s,]+/).filter((s) => s.length).map(Number);
  if (vb.length === 4 && vb[2] > 0 && vb[3] > 0) return vb;
  const w = number(root.attributes.width, 0), h = number(root.attributes.height, 0);
  return w > 0 && h > 0 ? [0, 0, w, h] : null;
}

// The matrix that shows the box [x, y, w, h] centred in a frame, aspect kept, with a margin.
function fit(box, width, height, margin = 0.02) {
  const s = Math.min((width * (1 - 2 * margin)) / box[2], (height * (1 - 2 * margin)) / box[3]);
  return [s, 0, 0, s, (width - s * box[2]) / 2 - s * box[0], (height - s * box[3]) / 2 - s * box[1]];
}

function emitDocument(root, frame, objects, options = {}) {
  const gradients = gradientColours(root);
  const skip = new Set(['defs', 'clipPath', 'mask', 'pattern', 'linearGradient', 'radialGradient',
    'symbol', 'marker', 'metadata', 'title', 'desc', 'text', 'image', 'style', 'filter',
    'script', 'foreignObject', 'switch']);
  const walk = (node, style, m, opacity) => {
    if (skip.has(node.name) || node.name.includes(':')) return;
    const own = ownStyle(node);
    if (own.display === 'none') return;
    const s = { ...style };
    for (const k of inherited) if (own[k] !== undefined && own[k] !== 'inherit') s[k] = own[k];
    const mine = multiply(m, parseTransform(node.attributes.transform));
    const op = opacity * Math.max(0, Math.min(1, number(own.opacity, 1)));
    if (node.name === 'g' || node.name === 'svg' || node.name === 'a') {
      for (const c of node.children || []) walk(c, s, mine, op);
      return;
    }
    if (s.visibility === 'hidden') return;
    const d = shapePath(node);
    if (!d) return;
    const lines = pathLines(d, mine);
    if (!lines.length) return;
    const fill = parseColour(s.fill === undefined ? 'black' : s.fill, gradients);
    const stroke = parseColour(s.stroke, gradients);
    const head = [];
    const fillAlpha = Math.round(255 * op * Math.max(0, Math.min(1, number(s['fill-opacity'], 1))));
    if (fill !== null && fill !== undefined && fillAlpha > 0 && node.name !== 'line' &&
        node.name !== 'polyline') {
      head.push(`f ${((fillAlpha << 24) | fill) >>> 0} ${s['fill-rule'] === 'evenodd' ? 1 : 0}`);
    }
    const scale = Math.sqrt(Math.abs(mine[0] * mine[3] - mine[1] * mine[2]));
    const width = number(s['stroke-width'], 1) * scale;
    const strokeAlpha = Math.round(255 * op * Math.max(0, Math.min(1, number(s['stroke-opacity'], 1))));
    if (stroke !== null && stroke !== undefined && strokeAlpha > 0 && width > 0) {
      head.push(`s ${((strokeAlpha << 24) | stroke) >>> 0} ${f6(width)} ` +
        `${joins[s['stroke-linejoin']] ?? 0} ${caps[s['stroke-linecap']] ?? 0} ` +
        `${f6(Math.max(1, number(s['stroke-miterlimit'], 4)))}`);
    }
    if (!head.length) return;
    objects.push([...head, ...lines, 'e'].join('\n'));
  };
  walk(root, options.style || {}, frame, 1);
}


// ---------------------------------------------------------------------------------------------
// The scenes, as SVG
// ---------------------------------------------------------------------------------------------
async function mapLocations(pkg) {
  const map = (await import(path.join(modules, pkg, 'index.js'))).default;
  return { box: map.viewBox.split(/\s+/).map(Number), locations: map.locations };
}

// A calm colour per region, the same in every scene.
function regionColour(i) {
  const h = (i * 0.61803398875) % 1;
  const r = Math.round(150 + 80 * Math.cos(2 * Math.PI * h));
  const g = Math.round(170 + 60 * Math.cos(2 * Math.PI * (h + 1 / 3)));
  const b = Math.round(150 + 80 * Math.cos(2 * Math.PI * (h + 2 / 3)));
  return '#' + ((r << 16) | (g << 8) | b).toString(16).padStart(6, '0');
}

const svgHead = (width, height, box) =>
  `<svg xmlns="http://www.w3.org/2000/svg" width="${width}" height="${height}" ` +
  `viewBox="${box.join(' ')}">\n`;

// The map fitted into width x height (aspect kept, centred, as a browser does), borders of
// borderPixels pixels at that size.
function mapSvg(map, width, height, borderPixels) {
  const scale = Math.min(width / map.box[2], height / map.box[3]);
  const lines = [svgHead(width, height, map.box)];
  const stroke = borderPixels > 0
    ? ` stroke="#3c3c46" stroke-width="${f6(borderPixels / scale)}" stroke-linejoin="round" stroke-linecap="round"`
    : '';
  lines.push(`<g${stroke}>`);
  map.locations.forEach((loc, i) => lines.push(`<path fill="${regionColour(i)}" d="${loc.path}"/>`));
  lines.push('</g>', '</svg>');
  return lines.join('\n');
}

// Icons in a grid of cells, each scaled into 80 percent of its cell; simple-icons in their
// brand-like colours and Material Design icons in slate, alternating like a chess board.
function iconSheet(width, height, cell) {
  const cols = Math.floor(width / cell), rows = Math.floor(height / cell);
  const simple = fs.readdirSync(path.join(modules, 'simple-icons', 'icons')).filter((f) => f.endsWith('.svg')).sort();
  const mdi = fs.readdirSync(path.join(modules, '@mdi', 'svg', 'svg')).filter((f) => f.endsWith('.svg')).sort();
  const lines = [svgHead(width, height, [0, 0, width, height])];
  let k = 0, count = 0;
  for (let r = 0; r < rows; ++r) {
    for (let c = 0; c < cols; ++c, ++k) {
      const useMdi = (r + c) % 2 === 1;
      const list = useMdi ? mdi : simple;
      const file = useMdi ? path.join(modules, '@mdi', 'svg', 'svg', list[(k * 7) % list.length])
        : path.join(modules, 'simple-icons', 'icons', list[(k * 7) % list.length]);
      const root = parseSync(fs.readFileSync(file, 'utf8'));
      const box = viewBoxOf(root) || [0, 0, 24, 24];
      const inner = cell * 0.8;
      const s = Math.min(inner / box[2], inner / box[3]);
      const tx = c * cell + (cell - s * box[2]) / 2 - s * box[0];
      const ty = r * cell + (cell - s * box[3]) / 2 - s * box[1];
      const colour = useMdi ? '#2d3e50' : regionColour(k);
      const paths = [];
      const walk = (node) => {
        if (node.name === 'path' && node.attributes.d) paths.push(`<path d="${node.attributes.d}"/>`);
        for (const child of node.children || []) walk(child);
      };
      walk(root);
      lines.push(`<g fill="${colour}" transform="matrix(${f6(s)} 0 0 ${f6(s)} ${f6(tx)} ${f6(ty)})">` +
        paths.join('') + '</g>');
      ++count;
    }
  }
  lines.push('</svg>');
  return [lines.join('\n'), count];
}

const output = process.argv[2];
const clipFolder = process.argv[3] || '/usr/share/openclipart/svg';
if (!output) {
  console.error('usage: node scenes.mjs OUTPUT-FOLDER [openclipart folder]');
  process.exit(2);
}
fs.mkdirSync(path.join(output, 'clipart'), { recursive: true });
const world = await mapLocations('@svg-maps/world');
const usa = await mapLocations('@svg-maps/usa');
const write = (name, text) => fs.writeFileSync(path.join(output, name), text);
write('world-fills-1024.svg', mapSvg(world, 1024, 768, 0));
write('world-borders-1024.svg', mapSvg(world, 1024, 768, 0.5));
write('world-fills-1920.svg', mapSvg(world, 1920, 1080, 0));
write('world-borders-1920.svg', mapSvg(world, 1920, 1080, 0.5));
write('usa-borders-1024.svg', mapSvg(usa, 1024, 768, 0.75));
const [sheet, icons] = iconSheet(1024, 768, 40);
write('icons-1024.svg', sheet);
console.log(`maps: ${world.locations.length} countries, ${usa.locations.length} states; ${icons} icons`);
// The clip art: among the collection's 120 largest files (one copy of each name), the six that
// draw the most objects and stroke at least twenty, text and embedded images left aside.
if (fs.existsSync(clipFolder)) {
  const all = [];
  const walkFolder = (dir) => {
    for (const e of fs.readdirSync(dir, { withFileTypes: true })) {
      const p = path.join(dir, e.name);
      if (e.isDirectory()) walkFolder(p);
      else if (e.name.endsWith('.svg')) all.push(p);
    }
  };
  walkFolder(clipFolder);
  const seen = new Set();
  const unique = all.filter((p) => !seen.has(path.basename(p)) && seen.add(path.basename(p)));
  unique.sort((a, b) => fs.statSync(b).size - fs.statSync(a).size || (a < b ? -1 : 1));
  const candidates = [];
  for (const p of unique.slice(0, 120)) {
    const text = fs.readFileSync(p, 'utf8');
    if (/<image|<text|<flowRoot/.test(text)) continue;
    let root;
    try { root = parseSync(text); } catch (e) { continue; }
    const box = viewBoxOf(root);
    if (!box) continue;
    const objects = [];
    emitDocument(root, fit(box, 1024, 768), objects);
    const strokes = objects.filter((o) => /^s /m.test(o)).length;
    if (strokes >= 20) candidates.push([objects.length, p]);
  }
  candidates.sort((a, b) => b[0] - a[0] || (a[1] < b[1] ? -1 : 1));
  for (const [n, p] of candidates.slice(0, 6)) {
    const name = path.basename(p, '.svg').replace(/[^A-Za-z0-9]+/g, '-').slice(0, 24);
    fs.copyFileSync(p, path.join(output, 'clipart', `clipart-${name}.svg`));
    console.log(`clipart-${name}: ${n} objects`);
  }
}
