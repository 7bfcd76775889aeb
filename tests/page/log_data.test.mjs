// The log page's model under Node: decoding, time texts, computed channels and the reduction to
// pixel columns, each checked against a plain reading of the same data. CTest runs this file; the
// other modules' tests run with it.
import assert from "node:assert/strict";
import { describe, test } from "node:test";

import {
  Extremes, channelRange, columnBounds, computedChannel, decodeBase64, decodeBase64Plainly, lowerBound,
  nearestSample, numberText, readLog, roundHalfEven, sampleByTime, sampleTimeText, spanText, stripPoints, tickTimeText,
  valueSteps, valueText, valueTickText,
} from "../../page/log_data.js";
import { base64, pageData, randomBytes } from "./model_data.mjs";

describe("decodeBase64", () => {
  const vectors = [["", ""], ["f", "Zg=="], ["fo", "Zm8="], ["foo", "Zm9v"], ["foob", "Zm9vYg=="],
    ["fooba", "Zm9vYmE="], ["foobar", "Zm9vYmFy"]];
  for (const decode of [decodeBase64, decodeBase64Plainly]) {
    test(`${decode.name} reads the RFC 4648 vectors`, () => {
      for (const [text, encoded] of vectors) {
        assert.equal(Buffer.from(decode(encoded)).toString("latin1"), text, encoded);
      }
    });
  }

  test("gives back every byte value at every place in a group", () => {
    for (let length = 254; length <= 259; length++) {
      const bytes = randomBytes(length, length);
      bytes.set(Array.from({ length: 256 }, (_, i) => i).slice(0, length));
      assert.deepEqual(decodeBase64Plainly(base64(bytes)), bytes);
    }
  });

  test("refuses text that is not base64", () => {
    for (const text of ["Zm9", "Zm9v!A==", "Zm9\u00e9", "Z==="]) {
      assert.throws(() => decodeBase64Plainly(text), Error, text);
    }
  });
});

describe("time texts", () => {
  test("a sample's time reads as the CSV's time cell", () => {
    const cases = [[5, 3, ".", "0:05.03"], [754, 42, ".", "12:34.42"], [60, 0, ".", "1:00.00"],
      [9, 9, ".", "0:09.09"], [61, 150, ".", "1:01.150"], [0, 100, ".", "0:00.100"],
      [31, 255, ".", "0:31.255"], [65535, 99, ".", "1092:15.99"], [754, 42, ",", "12:34,42"],
      [0, 7, ",", "0:00,07"]];
    for (const [seconds, hundredths, mark, text] of cases) {
      assert.equal(sampleTimeText(seconds, hundredths, mark), text);
    }
  });

  test("a tick names whole seconds without hundredths", () => {
    assert.equal(tickTimeText(9000), "1:30");
    assert.equal(tickTimeText(9050), "1:30.50");
    assert.equal(tickTimeText(9005, ","), "1:30,05");
    assert.equal(tickTimeText(0), "0:00");
    assert.equal(tickTimeText(360000), "60:00");
    assert.equal(tickTimeText(-500), "-0:05");
    assert.equal(tickTimeText(-9050), "-1:30.50");
  });

  test("a run's offset reads as a time with its sign, to the hundredths byte's thousandths", () => {
    const cases = [[325, "+0:03.25"], [-325, "-0:03.25"], [0, "+0:00.00"], [6000.5, "+1:00.005"], [-15.5, "-0:00.155"],
      [10.5, "+0:00.105"], [0.5, "+0:00.005"], [366050, "+61:00.50"]];
    for (const [span, text] of cases) assert.equal(spanText(span), text, String(span));
    assert.equal(spanText(-325, ","), "-0:03,25");
  });

  test("a value tick has the decimals its step needs", () => {
    assert.equal(valueTickText(1000, 1000), "1000");
    assert.equal(valueTickText(2.5, 0.5), "2.5");
    assert.equal(valueTickText(207.5, 2.5), "207.5");
    assert.equal(valueTickText(0.75, 0.25), "0.75");
    assert.equal(valueTickText(0.3, 0.1), "0.3");
    assert.equal(valueTickText(0.05, 0.05, ","), "0,05");
    assert.equal(valueTickText(1e-12, 0.1), "0.0");
    assert.equal(valueTickText(-40, 20), "-40");
    for (const step of valueSteps(3)) {
      assert.equal(valueTickText(3 * step, step), String(Number((3 * step).toPrecision(6))), `step ${step}`);
    }
  });

  test("a channel of whole numbers has no steps between them", () => {
    assert.equal(valueSteps(0)[0], 1);
    assert.equal(valueSteps(2)[0], 0.01);
    assert.deepEqual(valueSteps(2).slice(0, 4), [0.01, 0.02, 0.05, 0.1]);
  });
});

describe("finding samples by time", () => {
  const times = Float64Array.from([10, 20, 20, 30, 50]);
  test("lowerBound gives the first sample at or after the time", () => {
    const cases = [[0, 0], [10, 0], [15, 1], [20, 1], [21, 3], [50, 4], [51, 5]];
    for (const [time, index] of cases) assert.equal(lowerBound(times, time), index, `at ${time}`);
  });

  test("nearestSample takes the earlier of two as near", () => {
    const cases = [[-100, 0], [14, 0], [15, 0], [16, 1], [25, 2], [26, 3], [40, 3], [41, 4],
      [1000, 4]];
    for (const [time, index] of cases) assert.equal(nearestSample(times, time), index, `at ${time}`);
    assert.equal(nearestSample(new Float64Array(0), 5), -1);
  });
});

// Numbers that fall as the byte rises over part of the range, as Coolant's and Air Temp's do,
// so that the smallest value's byte is not the smallest byte.
const fallingNumbers = Float64Array.from({ length: 256 }, (_, raw) => (raw < 128 ? 300 - raw * 2 : raw - 200));

// The smallest and largest of the samples' values from..to-1, leaving out those without one.
function plainExtremes(keys, numbers, from, to) {
  const values = [...keys.subarray(from, to)].map((key) => numbers[key]).filter((value) => value === value);
  return values.length === 0 ? [NaN, NaN] : [Math.min(...values), Math.max(...values)];
}

describe("Extremes", () => {
  test("every run of samples gives the values a plain scan finds", () => {
    for (const count of [1, 15, 16, 17, 255, 256, 257, 5000, 70000]) {
      const bytes = randomBytes(count, count);
      // A computed channel's keys are the samples' numbers, and some samples have no value.
      const values = Float64Array.from(bytes, (byte, i) => (byte % 7 === 0 || (count === 17 && i < 16) ? NaN : byte - 100));
      const keys = Uint32Array.from({ length: count }, (_, i) => i);
      const runs = [[0, count], [count - 1, count], [0, 1]];
      const picks = randomBytes(400, count + 1);
      for (let i = 0; i + 1 < picks.length; i += 2) {
        const a = Math.floor((picks[i] / 256) * count);
        const b = Math.floor((picks[i + 1] / 256) * count);
        if (a !== b) runs.push([Math.min(a, b), Math.max(a, b)]);
      }
      for (const [channelKeys, numbers] of [[bytes, fallingNumbers], [keys, values]]) {
        const extremes = new Extremes(channelKeys, numbers);
        for (const [from, to] of runs) {
          const [low, high] = extremes.range(from, to);
          assert.deepEqual([numbers[low], numbers[high]], plainExtremes(channelKeys, numbers, from, to),
            `${count} samples, ${from} to ${to}`);
        }
      }
    }
  });
});

describe("stripPoints", () => {
  const count = 3000;
  const times = Float64Array.from({ length: count }, (_, i) => i * 5);
  const bytes = randomBytes(count, 7);
  const channel = { keysByTime: bytes, numbers: fallingNumbers, extremes: new Extremes(bytes, fallingNumbers) };

  test("each column holds at most its smallest and largest value, in time order", () => {
    for (const [start, end, columns] of [[0, times[count - 1], 100], [1000, 2000, 37], [0, 14995, 1]]) {
      const bounds = columnBounds(times, start, end, columns);
      const { xs, ys } = stripPoints(times, channel, bounds, start, end);
      const width = (end - start) / columns;
      const inView = [...xs.keys()].filter((i) => xs[i] >= start && xs[i] <= end);
      assert.ok(inView.length <= 2 * columns, `${inView.length} points for ${columns} columns`);
      for (let i = 1; i < xs.length; i++) assert.ok(xs[i] >= xs[i - 1], "x never goes back");
      for (let column = 0; column < columns; column++) {
        const from = bounds[column];
        const to = bounds[column + 1];
        const here = inView.filter((i) => Math.min(Math.floor((xs[i] - start) / width), columns - 1) === column);
        if (from === to) {
          assert.equal(here.length, 0);
          continue;
        }
        const [low, high] = plainExtremes(bytes, fallingNumbers, from, to);
        assert.equal(Math.min(...here.map((i) => ys[i])), low, `column ${column}`);
        assert.equal(Math.max(...here.map((i) => ys[i])), high, `column ${column}`);
      }
    }
  });

  test("a column of many samples stands a quarter into its pixel, so that neighbours never share one", () => {
    const dense = Float64Array.from({ length: 9000 }, (_, i) => i);
    const bytesHere = randomBytes(9000, 3);
    const drawn = stripPoints(dense, { keysByTime: bytesHere, numbers: fallingNumbers, extremes: new Extremes(bytesHere, fallingNumbers) },
      columnBounds(dense, 0, 8999, 1000), 0, 8999);
    const pixels = new Set([...drawn.xs].filter((x) => x > 0 && x < 8999).map((x) => Math.round((x / 8999) * 1000)));
    assert.equal(pixels.size, 1000);
  });

  test("samples without a value are left out", () => {
    const values = Float64Array.from([1, NaN, 3, NaN]);
    const keys = Uint32Array.from([0, 1, 2, 3]);
    const few = Float64Array.from([0, 10, 20, 30]);
    const drawn = stripPoints(few, { keysByTime: keys, numbers: values, extremes: new Extremes(keys, values) },
      columnBounds(few, 0, 30, 100), 0, 30);
    assert.deepEqual([...drawn.xs], [0, 20]);
    assert.deepEqual([...drawn.ys], [1, 3]);
  });

  test("zoomed in, every sample is a point at its own time, with one beyond either edge", () => {
    const bounds = columnBounds(times, 1001, 1100, 400);
    const { xs, ys } = stripPoints(times, channel, bounds, 1001, 1100);
    const expected = [];
    for (let i = 200; i <= 221; i++) expected.push(i);
    assert.deepEqual([...xs], expected.map((i) => times[i]));
    assert.deepEqual([...ys], expected.map((i) => fallingNumbers[bytes[i]]));
  });

  test("the line breaks where the log is silent for longer than the quiet spell", () => {
    const quiet = 6000;
    const cases = [
      // times, columns over them, then the breaks and the points no line reaches
      [[0, 6000], 1000, [], []],
      [[0, 6001], 1000, [[0, 6001]], [0, 1]],
      [[0, 10, 20, 9000, 20000, 20010, 20020], 10000, [[20, 9000], [9000, 20000]], [3]],
      // A silence inside one column is narrower than a pixel: it is not drawn.
      // Its points stand a quarter into the columns.
      [[0, 10, 20, 9000, 20000, 20010, 20020], 2, [[2502.5, 12512.5]], []],
    ];
    for (const [times, columns, breaks, lonePoints] of cases) {
      const bytes = Uint8Array.from(times, (_, i) => i + 1);
      const silent = { keysByTime: bytes, numbers: fallingNumbers, extremes: new Extremes(bytes, fallingNumbers) };
      const end = times[times.length - 1];
      const drawn = stripPoints(times, silent, columnBounds(times, 0, end, columns), 0, end, quiet);
      assert.deepEqual(drawn.breaks, breaks, `${times} over ${columns} columns`);
      assert.deepEqual(drawn.lonePoints, lonePoints, `${times} over ${columns} columns`);
    }
  });
});

describe("readLog", () => {
  test("gives every sample its record's seconds and its own hundredths", () => {
    const log = readLog(pageData([[1, [0, 50]], [300, [7]], [301, [5]]], [[1, 2, 3, 4]]));
    assert.equal(log.count, 4);
    assert.deepEqual([...log.seconds], [1, 1, 300, 301]);
    assert.deepEqual([...log.hundredths], [0, 50, 7, 5]);
    assert.deepEqual([...log.times], [100, 150, 30007, 30105]);
    assert.equal(log.stopTime, null);
  });

  test("places a hundredths byte of 100 or more where its CSV cell reads", () => {
    // 300 s and 150 read 5:00.150, before 5:01.07.
    const log = readLog(pageData([[300, [150]], [301, [7]], [301, [20]], [301, [110]]],
      [[1, 2, 3, 4]]));
    assert.deepEqual([...log.times], [30015, 30107, 30120, 30111]);
    assert.deepEqual([...log.timesByTime], [30015, 30107, 30111, 30120]);
    assert.deepEqual([...log.channels[0].keysByTime], [1, 2, 4, 3]);
  });

  test("keeps the file's order, and the time order beside it, the file's order kept among equal times", () => {
    const log = readLog(pageData([[10, [0, 50]], [4, [0, 50]], [10, [0]], [2, [250]]],
      [[1, 2, 3, 4, 5, 6], [11, 12, 13, 14, 15, 16]], true));
    assert.deepEqual([...log.times], [1000, 1050, 400, 450, 1000, 225]);
    assert.deepEqual([...log.seconds], [10, 10, 4, 4, 10, 2]);
    assert.deepEqual([...log.channels[0].keys], [1, 2, 3, 4, 5, 6]);
    assert.deepEqual([...log.timeOrder], [5, 2, 3, 0, 4, 1]);
    assert.deepEqual([0, 1, 2, 3, 4, 5].map((index) => sampleByTime(log, index)), [5, 2, 3, 0, 4, 1]);
    assert.deepEqual([...log.timesByTime], [225, 400, 450, 1000, 1000, 1050]);
    assert.deepEqual([...log.channels[0].keysByTime], [6, 3, 4, 1, 5, 2]);
    assert.deepEqual([...log.channels[1].keysByTime], [16, 13, 14, 11, 15, 12]);
    assert.deepEqual(channelRange(log.channels[1]), [11, 16]);
    // The last sample read, wherever it lands on the axis.
    assert.equal(log.stopTime, 225);
    assert.equal(readLog(pageData([[10, [0, 50]]], [[1, 2]])).timeOrder, null);
  });

  test("a computed channel holds its values as the read-out shows them, in the log's time order too", () => {
    const log = readLog(pageData([[10, [0, 50]], [4, [0, 50]], [10, [0]]], [[1, 2, 3, 4, 5]]));
    const channel = computedChannel(log, "Duty", 1, Float64Array.from([1.25, 1.35, -0.04, NaN, 7]));
    assert.deepEqual([0, 1, 2, 3, 4].map((sample) => valueText(channel, sample, ",")), ["1,2", "1,4", "0,0", "", "7,0"]);
    assert.deepEqual([...channel.keysByTime].map((key) => channel.numbers[key]), [0, NaN, 1.2, 7, 1.4]);
    assert.deepEqual(channelRange(channel), [0, 7]);
    assert.equal(channelRange(computedChannel(log, "None", 0, new Float64Array(5).fill(NaN))), null);
    assert.equal(valueText(log.channels[0], 2, ","), " 3");
    // Exact decimal halves that binary holds a little above or below round to even all the same.
    const halves = computedChannel(log, "Halves", 2, Float64Array.from([5.475, 0.285, 2.675, 1.005, 7.125]));
    assert.deepEqual([0, 1, 2, 3, 4].map((sample) => valueText(halves, sample, ".")), ["5.48", "0.28", "2.68", "1.00", "7.12"]);
  });

  test("numbers round half to even and read as cells", () => {
    const rounded = [[0.5, 0], [1.5, 2], [2.5, 2], [-0.5, 0], [-1.5, -2], [-2.5, -2], [2.4999, 2], [2.5001, 3], [-7.2, -7]];
    for (const [number, whole] of rounded) assert.equal(roundHalfEven(number), whole, `${number}`);
    const texts = [[1.5, 2, ",", "1,50"], [NaN, 2, ".", ""], [-0, 1, ".", "0.0"], [-12.25, 2, ".", "-12.25"], [42, 0, ",", "42"]];
    for (const [number, decimals, mark, text] of texts) assert.equal(numberText(number, decimals, mark), text);
  });

  test("a channel the table does not know has no numbers and no extremes", () => {
    const data = pageData([[0, [0]]], [[9]]);
    data.channels[0].numbers = Array(256).fill(null);
    const [channel] = readLog(data).channels;
    assert.equal(channel.numbers, null);
    assert.equal(channel.extremes, null);
  });

  test("refuses data whose counts disagree", () => {
    assert.throws(() => readLog(pageData([[0, [0, 1]]], [[1]])), /bytes of channel 0/);
    const tooMany = pageData([[0, [0, 1]]], [[1, 2]]);
    tooMany.hundredths = base64([0]);
    assert.throws(() => readLog(tooMany), /more samples/);
    const tooFew = pageData([[0, [0]]], [[1, 2]]);
    tooFew.hundredths = base64([0, 1]);
    assert.throws(() => readLog(tooFew), /fewer samples/);
  });
});
