// Decides a request file with the reference engine, as a black box: the
// same output lines as kestrelon-filter, and its figures on standard error.
// usage: node decide.mjs REQUESTS LIST...
import fs from 'node:fs';
import { FiltersEngine, Request } from '@ghostery/adblocker';

const [requestsFile, ...lists] = process.argv.slice(2);
const text = lists.map((l) => fs.readFileSync(l, 'utf-8')).join('\n');

global.gc?.();
// The engine keeps most of its tables in typed arrays, which V8 counts
// outside the JavaScript heap: both are counted.
const used = () => { const m = process.memoryUsage(); return m.heapUsed + m.external; };
const heapBefore = used();
let t = process.hrtime.bigint();
const engine = FiltersEngine.parse(text, { loadCosmeticFilters: true, loadNetworkFilters: true });
const buildNs = process.hrtime.bigint() - t;
global.gc?.();
const heapAfter = used();
const serialized = engine.serialize();
t = process.hrtime.bigint();
FiltersEngine.deserialize(serialized);
const loadNs = process.hrtime.bigint() - t;

const lines = fs.readFileSync(requestsFile, 'utf-8').split('\n');
const times = [];
const out = [];
for (const line of lines) {
  const [url, source, type] = line.split(' ');
  if (!type) continue;
  const start = process.hrtime.bigint();
  const request = Request.fromRawDetails({ url, sourceUrl: source === '-' ? undefined : source, type });
  const result = engine.match(request);
  times.push(Number(process.hrtime.bigint() - start));
  const blocked = result.match === true;
  const rule = blocked ? result.filter : result.exception;
  out.push(`${blocked ? 'block' : 'allow'}\t${url}\t${rule ? rule.toString() : ''}`);
}
fs.writeSync(1, out.join('\n') + '\n');
times.sort((a, b) => a - b);
const at = (q) => times[Math.min(times.length - 1, Math.floor(q * times.length))];
process.stderr.write(`requests: ${times.length}\nmedian_ns: ${at(0.5)}\np99_ns: ${at(0.99)}\n` +
  `build_ms: ${(Number(buildNs) / 1e6).toFixed(2)}\nload_ms: ${(Number(loadNs) / 1e6).toFixed(2)}\n` +
  `heap_bytes: ${heapAfter - heapBefore}\n`);
