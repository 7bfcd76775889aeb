// The strips' rules under Node: value axes that always show two labelled values, the pixel
// columns that the filter's shading and a cell's marks cover, and several runs' points over one
// time array.
import assert from "node:assert/strict";
import { describe, test } from "node:test";

import { columnBounds, valueSteps } from "../../page/log_data.js";
import { axisTicks, columnRuns, heldColumns, markedColumns, sharedSeries, valueScale } from "../../page/strips.js";
import { randomBytes } from "./model_data.mjs";

describe("a value axis", () => {
  test("labels at least two values a label's height apart, around every value drawn", () => {
    const cases = [
      // low, high, decimals, plot height, possible range
      [781, 1250, 0, 30, [0, 7968]],
      [-5, 106, 0, 30, [-122, 289]],
      [1000, 1031, 0, 30, null],
      [0.95, 1.13, 2, 30, [0, 5]],
      [0.9, 1.1, 2, 136, [0, 5]],
      [0, 7968, 0, 136, [0, 7968]],
      [12.051, 12.053, 3, 30, null],
      [0, 0, 0, 30, [0, 100]],
      [7968, 7968, 0, 30, [0, 7968]],
      [50, 50, 0, 30, [0, 100]],
      [2.5e9, 2.6e9, 0, 30, null],
      [1.2e13, 9.9e14, 0, 30, null],
    ];
    for (const [low, high, decimals, height, possible] of cases) {
      const { min, max, step } = valueScale(low, high, decimals, height, possible);
      const name = `${low} to ${high} in ${height} px`;
      assert.ok(min <= low && max >= high, `${name}: ${min} to ${max}`);
      assert.ok(axisTicks(min, max, step).length >= 2, `${name}: ${axisTicks(min, max, step)}`);
      assert.ok((step / (max - min)) * height >= 13, `${name}: labels ${step} apart over ${min} to ${max}`);
      assert.ok(step >= 10 ** -decimals, `${name}: a step of ${step}`);
      if (possible) assert.ok(min >= possible[0] - step && max <= possible[1] + step, `${name}: ${min} to ${max}`);
      if (high - low > 0) assert.ok(high - low >= (max - min) / 3.5, `${name}: the values fill a third of ${min} to ${max}`);
    }
  });

  test("of a channel that is constant stays within what the channel can hold", () => {
    assert.deepEqual(valueScale(0, 0, 0, 30, [0, 100]), { min: 0, max: 1, step: 1 });
    assert.deepEqual(valueScale(100, 100, 0, 30, [0, 100]), { min: 99, max: 100, step: 1 });
    assert.deepEqual(valueScale(1.5, 1.5, 2, 30, [0, 5]), { min: 1.49, max: 1.51, step: 0.01 });
  });

  test("ticks at the step's multiples, rounded to its decimals", () => {
    assert.deepEqual(axisTicks(-0.04, 1.04, 0.5), [0, 0.5, 1]);
    assert.deepEqual(axisTicks(0.94, 1.14, 0.05), [0.95, 1, 1.05, 1.1]);
    assert.deepEqual(axisTicks(-45, 5, 20), [-40, -20, 0]);
    for (const step of valueSteps(3)) assert.equal(axisTicks(step * 3, step * 3, step)[0], Number((step * 3).toPrecision(6)));
  });
});

describe("columns of a strip", () => {
  test("are shaded where a kept sample is, or between samples where the nearer one is kept", () => {
    const times = Float64Array.from([0, 10, 20, 30]);
    const keptBefore = Uint32Array.from([0, 0, 1, 1, 1]);
    // Six columns of 5 over 0 to 30: 7.5 is nearer 10, 17.5 nearer 20; 15 would be as near both.
    assert.deepEqual([...heldColumns(times, columnBounds(times, 0, 30, 6), 0, 30, keptBefore)], [0, 1, 1, 0, 0, 0]);
    assert.deepEqual([...heldColumns(times, columnBounds(times, 0, 30, 2), 0, 30, keptBefore)], [1, 0]);
    assert.deepEqual([...heldColumns(times, columnBounds(times, 40, 50, 2), 40, 50, Uint32Array.from([0, 0, 0, 0, 1]))], [1, 1]);
    assert.deepEqual([...heldColumns(new Float64Array(0), columnBounds(new Float64Array(0), 0, 10, 3), 0, 10, Uint32Array.from([0]))], [0, 0, 0]);
  });

  test("are shaded, when dense, where any sample a plain scan finds is kept", () => {
    const count = 20000;
    const times = Float64Array.from({ length: count }, (_, i) => i * 3);
    const kept = Uint8Array.from(randomBytes(count, 5), (raw) => (raw < 2 ? 1 : 0));
    const keptBefore = new Uint32Array(count + 1);
    for (let i = 0; i < count; i++) keptBefore[i + 1] = keptBefore[i] + kept[i];
    const bounds = columnBounds(times, 0, times[count - 1], 997);
    const held = heldColumns(times, bounds, 0, times[count - 1], keptBefore);
    for (let column = 0; column < 997; column++) {
      assert.equal(held[column], kept.subarray(bounds[column], bounds[column + 1]).includes(1) ? 1 : 0, `column ${column}`);
    }
  });

  test("are marked where a time falls, and join in runs", () => {
    assert.deepEqual([...markedColumns([0, 5, 29.99, 30, 31, -1], 0, 30, 3)], [1, 0, 1]);
    const cases = [[[0, 1, 1, 0, 1], [[1, 3], [4, 5]]], [[], []], [[1, 1], [[0, 2]]], [[0, 0], []]];
    for (const [columns, runs] of cases) assert.deepEqual(columnRuns(Uint8Array.from(columns)), runs);
  });
});

describe("several runs' points", () => {
  const part = (xs, ys, lonePoints = [], breaks = []) => ({ xs: Float64Array.from(xs), ys: Float64Array.from(ys), breaks, lonePoints });

  test("share one time array, each run's points where they were and nothing where it has none", () => {
    const cases = [
      // the runs' points, then the shared times and each run's values at them
      [[part([1, 2, 2, 5], [10, 11, 12, 13]), part([0, 2, 5, 5, 6], [20, 21, 22, 23, 24])],
        [0, 1, 2, 2, 5, 5, 6], [[undefined, 10, 11, 12, 13, undefined, undefined], [20, undefined, 21, undefined, 22, 23, 24]]],
      [[part([], []), part([3], [30])], [3], [[undefined], [30]]],
      [[part([1, 1], [5, 6]), part([1, 1], [7, 8]), part([1], [9])], [1, 1], [[5, 6], [7, 8], [9, undefined]]],
    ];
    for (const [parts, xs, ys] of cases) {
      const shared = sharedSeries(parts);
      assert.deepEqual([...shared.xs], xs);
      assert.deepEqual(shared.ys.map((series) => Array.from({ length: series.length }, (_, i) => series[i])), ys);
      parts.forEach((one, run) => {
        const drawn = [...shared.xs.keys()].filter((i) => shared.ys[run][i] !== undefined);
        assert.deepEqual(drawn.map((i) => [shared.xs[i], shared.ys[run][i]]), [...one.xs].map((x, i) => [x, one.ys[i]]), `run ${run}`);
      });
    }
  });

  test("keep each run's breaks, and its lone points where its points went", () => {
    const shared = sharedSeries([part([0, 10, 9000], [1, 2, 3], [2], [[10, 9000]]), part([5, 9000, 9001], [4, 5, 6], [0])]);
    assert.deepEqual(shared.breaks, [[[10, 9000]], []]);
    assert.deepEqual(shared.lonePoints, [[3], [1]]);
    assert.deepEqual([shared.xs[3], shared.ys[0][3], shared.ys[1][3], shared.xs[1], shared.ys[1][1]], [9000, 3, 5, 5, 4]);
    const one = part([1, 2], [3, 4], [1]);
    assert.deepEqual(sharedSeries([one]), { xs: one.xs, ys: [one.ys], breaks: [[]], lonePoints: [[1]] });
  });
});
