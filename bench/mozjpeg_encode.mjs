// Encodes a binary PPM with mozjpeg (npm @jsquash/jpeg, its WebAssembly
// build) at each quality given, with the package's default options:
//   node mozjpeg_encode.mjs INPUT.ppm PREFIX Q...   → PREFIX<Q>.jpg
// The package is looked up from the folder given in JSQUASH_HOME (where the
// bench installed it).
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';

const home = process.env.JSQUASH_HOME;
const require = createRequire(path.join(home, 'package.json'));
const encodeJs = require.resolve('@jsquash/jpeg/encode.js');
const { default: encode, init } = await import(pathToFileURL(encodeJs).href);
// Node has no fetch of file URLs for the module's own loader: hand it the
// compiled module.
const wasm = fs.readFileSync(path.join(path.dirname(encodeJs), 'codec/enc/mozjpeg_enc.wasm'));
await init(await WebAssembly.compile(wasm));

function readPpm(file) {
  const b = fs.readFileSync(file);
  let pos = 0;
  const fields = [];
  const space = (c) => c === 0x20 || c === 0x0a || c === 0x0d || c === 0x09;
  while (fields.length < 4) {
    while (space(b[pos])) pos++;
    if (b[pos] === 0x23) {  // a comment runs to the end of its line
      while (b[pos] !== 0x0a) pos++;
      continue;
    }
    let s = '';
    while (!space(b[pos])) s += String.fromCharCode(b[pos++]);
    fields.push(s);
  }
  pos++;
  if (fields[0] !== 'P6' || fields[3] !== '255') throw new Error(`${file}: not an 8-bit P6 PPM`);
  const width = Number(fields[1]);
  const height = Number(fields[2]);
  const data = new Uint8ClampedArray(width * height * 4);
  for (let i = 0; i < width * height; i++) {
    data[4 * i] = b[pos + 3 * i];
    data[4 * i + 1] = b[pos + 3 * i + 1];
    data[4 * i + 2] = b[pos + 3 * i + 2];
    data[4 * i + 3] = 255;
  }
  return { data, width, height };
}

const [input, prefix, ...qualities] = process.argv.slice(2);
const image = readPpm(input);
for (const q of qualities) {
  const jpeg = await encode(image, { quality: Number(q) });
  fs.writeFileSync(`${prefix}${q}.jpg`, Buffer.from(jpeg));
}
