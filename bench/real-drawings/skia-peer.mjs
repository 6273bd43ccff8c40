// Skia's side of the real-drawings benchmark (through @napi-rs/canvas), driven by
// bench_real_drawings over stdin and stdout:
//   start: reads the scenes file, records each object's path once (Path2D) and its paint,
//          then answers "ready N"
//   "draw K FILE": plays the draw calls of scene K back onto a white canvas and answers the
//          processor time of this process in ms (the drawing forced through with a one-pixel
//          read); with FILE other than "-" also writes the picture there as raw RGBA
//   "quit"
import fs from 'node:fs';
import readline from 'node:readline';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const { createCanvas, Path2D } = require('@napi-rs/canvas');

const joins = ['miter', 'round', 'bevel'];
const caps = ['butt', 'round', 'square'];
const css = (argb) =>
  `rgba(${(argb >>> 16) & 255},${(argb >>> 8) & 255},${argb & 255},${(argb >>> 24) / 255})`;

const scenes = [];
{
  const text = fs.readFileSync(process.argv[2], 'utf8');
  let scene = null;
  let object = null;
  let path = null;
  for (const line of text.split('\n')) {
    const w = line.split(' ');
    switch (w[0]) {
      case 'scene':
        scene = { name: w[1], width: +w[2], height: +w[3], objects: [] };
        scenes.push(scene);
        break;
      case 'f':
        object = object || {};
        object.fill = css(+w[1]);
        object.rule = w[2] === '1' ? 'evenodd' : 'nonzero';
        break;
      case 's':
        object = object || {};
        object.stroke = css(+w[1]);
        object.width = +w[2];
        object.join = joins[+w[3]];
        object.cap = caps[+w[4]];
        object.miter = +w[5];
        break;
      case 'M': path = path || new Path2D(); path.moveTo(+w[1], +w[2]); break;
      case 'L': path.lineTo(+w[1], +w[2]); break;
      case 'C': path.bezierCurveTo(+w[1], +w[2], +w[3], +w[4], +w[5], +w[6]); break;
      case 'Z': path.closePath(); break;
      case 'e':
        object.path = path || new Path2D();
        scene.objects.push(object);
        object = null;
        path = null;
        break;
    }
  }
}

const canvases = new Map();
function draw(scene) {
  let canvas = canvases.get(scene);
  if (!canvas) {
    canvas = createCanvas(scene.width, scene.height);
    canvases.set(scene, canvas);
  }
  const ctx = canvas.getContext('2d');
  ctx.fillStyle = '#ffffff';
  ctx.fillRect(0, 0, scene.width, scene.height);
  for (const o of scene.objects) {
    if (o.fill) {
      ctx.fillStyle = o.fill;
      ctx.fill(o.path, o.rule);
    }
    if (o.stroke) {
      ctx.strokeStyle = o.stroke;
      ctx.lineWidth = o.width;
      ctx.lineJoin = o.join;
      ctx.lineCap = o.cap;
      ctx.miterLimit = o.miter;
      ctx.stroke(o.path);
    }
  }
  ctx.getImageData(0, 0, 1, 1);
  return ctx;
}

process.stdout.write(`ready ${scenes.length}\n`);
const rl = readline.createInterface({ input: process.stdin });
rl.on('line', (line) => {
  const w = line.trim().split(' ');
  if (w[0] === 'quit') {
    process.exit(0);
  }
  if (w[0] !== 'draw') return;
  const scene = scenes[+w[1]];
  const before = process.cpuUsage();
  const ctx = draw(scene);
  const used = process.cpuUsage(before);
  if (w[2] && w[2] !== '-') {
    const data = ctx.getImageData(0, 0, scene.width, scene.height).data;
    fs.writeFileSync(w[2], Buffer.from(data.buffer, data.byteOffset, data.byteLength));
  }
  process.stdout.write(`${(used.user + used.system) / 1000}\n`);
});
