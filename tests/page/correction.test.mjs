// The correction of fuel under Node: the measured value read later by linear interpolation in the
// file's order, and where it is not read; the lag as typed; and tables of corrections: their sign
// and rounding, the samples left out, and the cell chosen by where the engine was. Copying and
// the difference of two runs' corrections are tried in the browser.
import assert from "node:assert/strict";
import { describe, test } from "node:test";

import { readLag, sampleCorrections, valuesLater } from "../../page/correction.js";
import { CORRECTION, cellText, computeTable } from "../../page/table.js";

describe("the measured value read later", () => {
  // Each row: what it shows, the samples' times (hundredths) and values, the lag, the longest
  // silence bridged, and each sample's value read later.
  const cases = [
    ["between two samples, the last none", [0, 10, 20, 40], [1, 2, 4, 8], 5, Infinity, [1.5, 3, 5, NaN]],
    ["at a sample, up to the last", [0, 10, 20], [1, 2, 3], 10, Infinity, [2, 3, NaN]],
    ["at the last sample from the first", [0, 10, 20], [1, 2, 3], 20, Infinity, [3, NaN, NaN]],
    ["at once, as it is", [0, 10, 20], [1, NaN, 3], 0, Infinity, [1, NaN, 3]],
    ["never beside a sample without a value", [0, 10, 20], [1, NaN, 3], 5, Infinity, [NaN, NaN, NaN]],
    ["never across a step back of the clock", [0, 10, 20, 5, 15, 25], [0, 1, 2, 3, 4, 5], 5, Infinity, [0.5, 1.5, NaN, 3.5, 4.5, NaN]],
    ["never across a silence longer than the strips bridge", [0, 10, 7000, 7020], [0, 1, 2, 4], 5, 6000, [0.5, NaN, 2.5, NaN]],
    ["at the first of samples of one time", [0, 10, 10, 20], [0, 1, 5, 6], 10, Infinity, [1, 6, 6, NaN]],
  ];
  for (const [name, times, values, lag, quietSpell, expected] of cases) {
    test(name, () => {
      assert.deepEqual([...valuesLater(Float64Array.from(times), Float64Array.from(values), lag, quietSpell)], expected);
    });
  }

  test("is read after a lag typed in seconds from 0 to 5, in the page's decimal mark", () => {
    const cases = [["0", ".", 0], [" 5 ", ".", 500], ["0,25", ",", 25], [",5", ",", 50], ["1.125", ".", 112.5], ["5.001", "."],
      ["-1", "."], ["1e0", "."], ["0.1234", "."], ["0.3", ","], ["", "."]];
    for (const [text, mark, lag] of cases) {
      if (lag === undefined) assert.throws(() => readLag(text, mark), /^RangeError: Give the lag in seconds from 0 to 5 with at most three decimals, as 0[.,]3$/, text);
      else assert.equal(readLag(text, mark), lag, text);
    }
  });
});

describe("a table of corrections", () => {
  // A table of one cell per value of X (0 and 1) over samples ten hundredths apart.
  function correctionTable({ x, measured, target, lag = 0, minimum = 1 }) {
    const times = Float64Array.from(x, (_, i) => 10 * i);
    const numbers = sampleCorrections(times, Float64Array.from(measured), Float64Array.from(target), lag);
    return computeTable({
      x: { keys: Uint8Array.from(x), numbers: Float64Array.from([0, 1]), decimals: 0 },
      y: { keys: new Uint8Array(x.length), numbers: Float64Array.from([0]), decimals: 0 },
      values: { keys: Uint32Array.from(x, (_, i) => i), numbers, decimals: 0 },
      xCells: { centres: [0, 1], decimals: 0 }, yCells: { centres: [0], decimals: 0 }, statistic: CORRECTION, minimum,
      times, start: 0, end: Infinity, kept: null,
    });
  }
  const texts = (table) => [cellText(table, 0, "."), cellText(table, 1, ".")];

  test("writes each cell's mean with a sign and one decimal, rounded half to even", () => {
    // Each row: the measured values and targets of samples all in cell 0, and its text.
    const cases = [
      [[13.2], [12], "+10.0"], [[11.76], [12], "-2.0"], [[12], [12], "0.0"], [[0.98], [1], "-2.0"], [[14.7, 13.23], [14.7, 14.7], "-5.0"],
      [[12.024, 12.036], [12, 12], "+0.2"], [[12.042], [12], "+0.4"], [[12.06, 12.072], [12, 12], "+0.6"], [[11.9952], [12], "0.0"],
      [[12.006, 11.982], [12, 12], "0.0"],
    ];
    for (const [measured, target, text] of cases) {
      const table = correctionTable({ x: measured.map(() => 0), measured, target });
      assert.equal(cellText(table, 0, ","), text.replace(".", ","), `${measured} against ${target}`);
    }
  });

  test("leaves out samples without a measured value or a target above 0", () => {
    const table = correctionTable({ x: [0, 0, 0, 0, 0, 1, 1], measured: [13.2, NaN, 13.2, 13.2, 13.2, 12, 12], target: [12, 12, NaN, 0, -12, 12, 12] });
    assert.deepEqual(texts(table), ["+10.0", "0.0"]);
    assert.deepEqual([...table.counts], [1, 2]);
    assert.deepEqual(texts(correctionTable({ x: [0, 0, 1], measured: [13.2, NaN, 12], target: [12, 12, 12], minimum: 2 })), ["", ""]);
  });

  test("counts each sample in the cell where the engine was, against the target there, with the value measured later", () => {
    // X moves to cell 1 at the third sample, the measured value a sample later; the second
    // sample's target is 11.
    const table = correctionTable({ x: [0, 0, 1, 1], measured: [12, 12, 13.2, 13.2], target: [12, 11, 12, 12], lag: 10 });
    assert.deepEqual(texts(table), ["+10.0", "+10.0"]);
    assert.deepEqual([...table.counts], [2, 1]);
    assert.deepEqual(texts(correctionTable({ x: [0, 0, 1, 1], measured: [12, 12, 13.2, 13.2], target: [12, 11, 12, 12] })), ["+4.5", "+10.0"]);
  });
});
