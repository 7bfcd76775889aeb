// The scatter's grid of dots and the settings in the page's address, under Node.
import assert from "node:assert/strict";
import { describe, test } from "node:test";

import { gridDots, plotRange } from "../../page/scatter.js";
import { readSettings, settingsText } from "../../page/settings.js";
import { randomBytes } from "./model_data.mjs";

describe("the scatter's dots", () => {
  test("count each kept sample in the time range once, in the dot its values fall in", () => {
    const count = 3000;
    const times = Float64Array.from({ length: count }, (_, i) => i);
    const x = { keys: randomBytes(count, 21), numbers: Float64Array.from({ length: 256 }, (_, raw) => raw * 10) };
    const y = { keys: randomBytes(count, 22), numbers: Float64Array.from({ length: 256 }, (_, raw) => raw / 10) };
    const colour = { keys: Uint32Array.from({ length: count }, (_, i) => i), numbers: Float64Array.from({ length: count }, (_, i) => (i % 5 ? i : NaN)) };
    const kept = Uint8Array.from(randomBytes(count, 23), (raw) => raw & 1);
    // A plot of 51 by 27 pixels in dots of 3: 17 by 9 dots.
    const plot = { x, y, colour, times, start: 100, end: 2500, kept, xRange: [0, 2550], yRange: [5, 20], width: 51, height: 27, size: 3 };
    const grid = gridDots(plot);
    assert.deepEqual([grid.columns, grid.rows], [17, 9]);
    const counts = new Uint32Array(17 * 9);
    const sums = new Float64Array(17 * 9);
    for (let i = 100; i <= 2500; i++) {
      const across = x.numbers[x.keys[i]];
      const up = y.numbers[y.keys[i]];
      if (!kept[i] || up < 5 || up > 20) continue;
      // 2550 is the right edge, in the last column; 5 the bottom edge, in the last row.
      const column = Math.min(16, Math.floor(((across / 2550) * 51) / 3));
      const row = Math.min(8, Math.floor((((20 - up) / 15) * 27) / 3));
      counts[row * 17 + column]++;
      if (i % 5) sums[row * 17 + column] += i;
    }
    assert.deepEqual([...grid.counts], [...counts]);
    assert.deepEqual([...grid.colourSums], [...sums]);
    assert.ok(counts.reduce((a, b) => a + b) > 500);
  });

  test("span a channel's range with a little room, a constant one a step either side", () => {
    assert.deepEqual(plotRange([0, 100], 0), [-3, 103]);
    assert.deepEqual(plotRange([5, 5], 0), [4, 6]);
    assert.deepEqual(plotRange([1.5, 1.5], 2), [1.49, 1.51]);
  });
});

describe("settings in the address", () => {
  test("come back as they were written, whatever their texts hold", () => {
    const settings = {
      view: "table", x: "RPM", y: "Inj P/W", values: "O2 & more", statistic: "mean", xCells: "500 1000 1500",
      yCells: "0,5;1,25", minimum: "3", filter: "[Coolant] > 80 and [TPS] >= 90 # = ? % [Air Temp]", across: "Fuel Trim High",
      up: "Duty €", colour: "",
      channels: [{ heading: "Duty", decimals: 1, expression: "[Inj P/W] * [RPM] / 1200" }, { heading: "Δ RPM", decimals: 0, expression: "[RPM] - [RPM-1]" }],
    };
    const text = settingsText(settings);
    assert.doesNotMatch(text, /[#\s]/);
    assert.deepEqual(readSettings(`#${text}`), settings);
  });

  test("leave out what the address does not hold, or holds spoilt", () => {
    assert.deepEqual(readSettings(""), { channels: [] });
    assert.deepEqual(readSettings("#view=scatter&channels=%5B%5B%22a%22"), { view: "scatter", channels: [] });
    assert.deepEqual(readSettings("#channels=%5B%5B%22a%22%2C1.5%2C%22%5BRPM%5D%22%5D%2C%5B%22b%22%2C2%2C%22%5BRPM%5D%22%5D%2C3%5D"),
      { channels: [{ heading: "b", decimals: 2, expression: "[RPM]" }] });
  });
});
