// The table under Node: which cell a value falls in at the cells' edges, the cells a user types
// and the default ones, whole tables against a plain loop that finds each sample's cell by
// distance and averages with whole numbers of its own, and the difference of two runs' tables.
import assert from "node:assert/strict";
import { describe, test } from "node:test";

import {
  CORRECTION, CellsError, cellFinder, cellText, cellsText, computeTable, defaultCells, differenceTable, meanUnits, parseCells, readMinimum,
  scaleRgb, STATISTICS, TABLE_SCALE, tableRange, tableText, unitsText,
} from "../../page/table.js";
import { nearestCentre, plainCellText, randomBytes } from "./model_data.mjs";

describe("the cell a value falls in", () => {
  test("is the nearest centre's, the higher one's when exactly halfway, an end's beyond the ends", () => {
    const cases = [
      // centres, their decimals, the values' decimals, then [value, cell] pairs
      [[500, 1000, 2000], 0, 0, [[0, 0], [500, 0], [749, 0], [750, 1], [751, 1], [1499, 1], [1500, 2], [9000, 2], [NaN, -1]]],
      // (0.1 + 0.2) / 2 is 0.15000000000000002 in binary, but 0.15 is halfway.
      [[0.1, 0.2, 0.3], 1, 2, [[0.14, 0], [0.15, 1], [0.16, 1], [0.25, 2], [0.24, 1]]],
      [[-40, -20, 0], 0, 0, [[-31, 0], [-30, 1], [-11, 1], [-10, 2], [-100, 0]]],
      [[1000], 0, 0, [[-5, 0], [1000, 0], [7968, 0]]],
      [[1, 2], 0, 2, [[1.49, 0], [1.5, 1], [1.51, 1]]],
      [[0.95, 1], 2, 3, [[0.975, 1], [0.974, 0]]],
    ];
    for (const [centres, decimals, valueDecimals, values] of cases) {
      const find = cellFinder({ centres, decimals }, valueDecimals);
      for (const [value, cell] of values) assert.equal(find(value), cell, `${value} among ${centres}`);
    }
  });
});

describe("cells", () => {
  test("are read from the centres a user types, in the page's decimal mark and separator", () => {
    const cases = [
      ["500 1000 1500", ".", ",", [500, 1000, 1500], 0],
      ["500,1000, 1500", ".", ",", [500, 1000, 1500], 0],
      ["0,5;1,25  2", ",", ";", [0.5, 1.25, 2], 2],
      ["-10\t0\t10.", ".", "\t", [-10, 0, 10], 0],
      [" 7 ", ".", ",", [7], 0],
      [".5 1", ".", ",", [0.5, 1], 1],
    ];
    for (const [text, mark, separator, centres, decimals] of cases) {
      assert.deepEqual(parseCells(text, mark, separator), { centres, decimals }, text);
    }
    assert.equal(cellsText(parseCells("0,5;1,25 2", ",", ";"), ","), "0,50 1,25 2,00");
    assert.equal(cellsText({ centres: [-0.5, 10], decimals: 1 }, "."), "-0.5 10.0");
  });

  test("refuse what is not ascending centres, saying what is wrong", () => {
    const cases = [
      ["", ".", ",", /^Give the cells' centre values/],
      ["500 400", ".", ",", /^400 comes after 500: give the centres from the smallest to the largest, each once$/],
      ["1 1", ".", ",", /^1 comes after 1/],
      ["500 abc", ".", ",", /^"abc" is not a number$/],
      ["0.5 1", ",", ";", /^"0\.5" is not a number; the decimal mark here is ","$/],
      ["1-2", ".", ",", /"1-2" is not a number/],
      [Array.from({ length: 65 }, (_, i) => i).join(" "), ".", ",", /^At most 64 cells, not 65$/],
    ];
    for (const [text, mark, separator, message] of cases) {
      assert.throws(() => parseCells(text, mark, separator), (error) => error instanceof CellsError && message.test(error.message), text);
    }
  });

  test("by default span the channel's range in round steps, as fine as fit, within half a step of its ends", () => {
    const cases = [
      [781, 7968, 0, 16, [1000, 8000, 500], 0],
      [0.95, 1.13, 2, 12, [0.96, 1.14, 0.02], 2],
      [-38, 106, 0, 12, [-40, 100, 20], 0],
      [0, 255, 0, 12, [0, 250, 25], 0],
      [12.051, 13.5, 3, 16, [12.1, 13.5, 0.1], 1],
      [5, 5, 0, 16, [5, 5, 1], 0],
    ];
    for (const [low, high, decimals, most, [first, last, step], cellDecimals] of cases) {
      const cells = defaultCells(low, high, decimals, most);
      const count = Math.round((last - first) / step) + 1;
      assert.equal(cells.decimals, cellDecimals, `${low} to ${high}`);
      assert.deepEqual(cells.centres, Array.from({ length: count }, (_, k) => Number((first + k * step).toFixed(cellDecimals))),
        `${low} to ${high}`);
      assert.ok(cells.centres.length <= most);
      assert.ok(Math.abs(cells.centres[0] - low) <= step / 2 + 1e-9 && Math.abs(cells.centres.at(-1) - high) <= step / 2 + 1e-9);
    }
  });
});

describe("whole tables", () => {
  test("round means half to even, exactly", () => {
    const cases = [[1, 2, 5], [5, 4, 12], [7, 4, 18], [-5, 4, -12], [-7, 4, -18], [10, 3, 33], [20, 3, 67], [-20, 3, -67],
      [0, 9, 0], [123456789, 1, 1234567890]];
    for (const [sum, count, units] of cases) assert.equal(meanUnits(sum, count), units, `${sum} / ${count}`);
    assert.deepEqual([unitsText(-5, 2), unitsText(1234, 0), unitsText(7, 1, ","), unitsText(-1234, 3)],
      ["-0.05", "1234", "0,7", "-1.234"]);
  });

  // Channels of random bytes over times 0, 10, 20…: RPM-like, load-like, and O2-like values
  // computed with some samples without a value.
  const count = 5000;
  const times = Float64Array.from({ length: count }, (_, i) => i * 10);
  const byteChannel = (seed, numberOf, decimals) => ({
    keys: randomBytes(count, seed), decimals, numbers: Float64Array.from({ length: 256 }, (_, raw) => numberOf(raw)),
  });
  const rpm = byteChannel(11, (raw) => Math.round(raw * 31.25), 0);
  const load = byteChannel(12, (raw) => raw * 2.5, 1);
  const o2Bytes = randomBytes(count, 13);
  const o2 = {
    keys: Uint32Array.from({ length: count }, (_, i) => i), decimals: 2,
    numbers: Float64Array.from(o2Bytes, (raw) => (raw > 240 ? NaN : Math.round((raw / 51) * 100) / 100)),
  };
  const keptBytes = randomBytes(count, 14);
  const kept = Uint8Array.from(keptBytes, (raw) => (raw < 180 ? 1 : 0));

  // The plain loop over the samples, with model_data's plain reading of the cells.
  function plainTable({ x, y, values, xCells, yCells, statistic, minimum, start, end, keep }) {
    const unitsOf = (value, decimals) => BigInt(Math.round(value * 10 ** decimals));
    const cellOf = (channel, cells) => {
      const decimals = Math.max(cells.decimals, channel.decimals);
      return (value) => nearestCentre(unitsOf(value, decimals), cells.centres.map((centre) => unitsOf(centre, decimals)));
    };
    const [column, row] = [cellOf(x, xCells), cellOf(y, yCells)];
    const cells = new Map();
    for (let i = 0; i < count; i++) {
      if (times[i] < start || times[i] > end || (keep && !keep[i])) continue;
      const value = values.numbers[values.keys[i]];
      if (value !== value && statistic !== "samples") continue;
      const at = `${row(y.numbers[y.keys[i]])},${column(x.numbers[x.keys[i]])}`;
      if (!cells.has(at)) cells.set(at, []);
      cells.get(at).push(value === value ? unitsOf(value, values.decimals) : 0n);
    }
    const texts = [];
    for (let r = 0; r < yCells.centres.length; r++) {
      for (let c = 0; c < xCells.centres.length; c++) {
        texts.push(plainCellText(cells.get(`${r},${c}`) ?? [], statistic, values.decimals, minimum));
      }
    }
    return texts;
  }

  test("give every cell what a plain loop over the samples gives", () => {
    const xCells = { centres: [500, 1000, 2000, 3000, 4500, 6000], decimals: 0 };
    const yCells = { centres: [50, 100.5, 151, 200, 400], decimals: 1 };
    const cases = [
      { x: rpm, y: load, values: o2, statistic: "mean", minimum: 1, start: 0, end: Infinity, keep: null },
      { x: rpm, y: load, values: o2, statistic: "mean", minimum: 5, start: 1000, end: 30005, keep: kept },
      { x: rpm, y: load, values: rpm, statistic: "mean", minimum: 1, start: 0, end: Infinity, keep: kept },
      { x: rpm, y: load, values: load, statistic: "smallest", minimum: 2, start: 0, end: 40000, keep: null },
      { x: rpm, y: load, values: o2, statistic: "largest", minimum: 1, start: 100, end: 100, keep: null },
      { x: load, y: rpm, values: o2, statistic: "samples", minimum: 3, start: 0, end: Infinity, keep: kept },
    ];
    for (const settings of cases) {
      const [xs, ys] = settings.x === rpm ? [xCells, yCells] : [yCells, xCells];
      const table = computeTable({ ...settings, xCells: xs, yCells: ys, times, kept: settings.keep });
      const texts = Array.from({ length: table.counts.length }, (_, cell) => cellText(table, cell, "."));
      const expected = plainTable({ ...settings, xCells: xs, yCells: ys });
      assert.deepEqual(texts, expected, `${settings.statistic} of ${settings.values.decimals} decimals, minimum ${settings.minimum}`);
      assert.ok(texts.some((text) => text !== ""), settings.statistic);
    }
  });

  test("of two runs differ cell by cell, empty unless both hold the minimum, for every statistic", () => {
    const xCells = { centres: [500, 2000, 4500], decimals: 0 };
    const yCells = { centres: [50, 151, 400], decimals: 1 };
    // The later run: the same channels read from other samples.
    const shifted = (channel) => ({ ...channel, keys: channel.keys.slice(700).reverse(), units: undefined });
    const later = { x: shifted(rpm), y: shifted(load), values: shifted(o2) };
    const laterTimes = times.slice(0, count - 700);
    // The statistics of a channel; tables of corrections have tests of their own.
    for (const statistic of STATISTICS.filter((name) => name !== CORRECTION)) {
      for (const minimum of [1, 300]) {
        const settings = { xCells, yCells, statistic, minimum, start: 0, end: Infinity };
        const first = computeTable({ ...settings, x: rpm, y: load, values: o2, times, kept: null });
        const second = computeTable({ ...settings, ...later, times: laterTimes, kept: null });
        const difference = differenceTable(second, first);
        const decimals = difference.decimals;
        const plainFirst = plainTable({ ...settings, x: rpm, y: load, values: o2, keep: null });
        const texts = Array.from({ length: 9 }, (_, cell) => cellText(difference, cell, "."));
        const expected = texts.map((_, cell) => {
          const [a, b] = [cellText(second, cell, "."), plainFirst[cell]];
          return a === "" || b === "" ? "" : unitsText(Math.round((Number(a) - Number(b)) * 10 ** decimals), decimals, ".");
        });
        assert.deepEqual(texts, expected, `${statistic}, minimum ${minimum}`);
        assert.ok(texts.some((text) => text !== "") && (minimum === 1 || texts.some((text) => text === "")), `${statistic}, minimum ${minimum}`);
        const range = tableRange(difference);
        assert.equal(range[0], -range[1], "the scale centres on zero");
      }
    }
  });

  test("take a minimum of samples that is a whole number a log can hold", () => {
    const cases = [["1", 1], [" 25 ", 25], ["10000000", 10000000], ["0", null], ["10000001", null], ["1e3", null],
      ["100000000000000000000000", null], ["2.5", null], ["", null]];
    for (const [text, minimum] of cases) assert.equal(readMinimum(text), minimum, text);
  });

  test("lists the samples of a chosen cell in file order", () => {
    const xCells = { centres: [1000, 5000], decimals: 0 };
    const yCells = { centres: [100, 500], decimals: 0 };
    const table = computeTable({
      x: rpm, y: load, values: o2, xCells, yCells, statistic: "samples", minimum: 1, times, start: 0, end: 20000, kept, chosen: 3,
    });
    const expected = [];
    for (let i = 0; i <= 2000; i++) {
      if (kept[i] && rpm.numbers[rpm.keys[i]] >= 3000 && load.numbers[load.keys[i]] >= 300) expected.push(i);
    }
    assert.deepEqual(table.chosenSamples, expected);
    assert.equal(table.counts[3], expected.length);
  });

  test("is written as lines of cells with the axes' centres first", () => {
    const table = computeTable({
      x: { keys: Uint8Array.from([0, 1, 1]), numbers: Float64Array.from([1000, 2000]), decimals: 0 },
      y: { keys: Uint8Array.from([0, 0, 1]), numbers: Float64Array.from([0.5, 1]), decimals: 1 },
      values: { keys: Uint8Array.from([0, 1, 2]), numbers: Float64Array.from([-1.25, 3, 4.5]), decimals: 2 },
      xCells: { centres: [1000, 2000], decimals: 0 }, yCells: { centres: [0.5, 1], decimals: 1 },
      statistic: "mean", minimum: 1, times: Float64Array.from([0, 1, 2]), start: 0, end: 2, kept: null,
    });
    assert.equal(tableText(table, ";", ","), ";1000;2000\r\n0,5;-1,250;3,000\r\n1,0;;4,500\r\n");
    assert.equal(tableText(table, "\t", "."), "\t1000\t2000\r\n0.5\t-1.250\t3.000\r\n1.0\t\t4.500\r\n");
  });

  test("colours run along one scale from its first colour to its last", () => {
    assert.deepEqual(scaleRgb(0, TABLE_SCALE), TABLE_SCALE[0]);
    assert.deepEqual(scaleRgb(1, TABLE_SCALE), TABLE_SCALE[TABLE_SCALE.length - 1]);
    assert.deepEqual(scaleRgb(0.5, TABLE_SCALE), TABLE_SCALE[1]);
    assert.deepEqual(scaleRgb(2, TABLE_SCALE), scaleRgb(1, TABLE_SCALE));
  });
});
