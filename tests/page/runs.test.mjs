// The runs of a page under Node: read from the page's data and from other pages' files, placed on
// one time axis from their starts or where an expression first holds, and read at a time each at
// its nearest sample.
import assert from "node:assert/strict";
import { describe, test } from "node:test";

import { bindChannels, keptSamples, parseExpression } from "../../page/expression.js";
import { DataError } from "../../page/log_data.js";
import {
  clampedView, firstKeptTime, makeRun, offsetText, pageTimeOf, placeRun, readPage, readShift, runsOfPageText, sampleAt,
  sharedHeadings, startOf, wholeSpan,
} from "../../page/runs.js";
import { pageData } from "./model_data.mjs";

// A run's data: records of [seconds, [hundredths…]], channels of [heading, bytes].
function runData(name, records, channels) {
  const data = pageData(records, channels.map(([, bytes]) => bytes));
  data.channels.forEach((channel, k) => {
    channel.heading = channels[k][0];
  });
  return { ...data, name };
}

// A pull: idle bytes, then the throttle byte at 240 from `opening` on, ten samples a second
// starting at `first` hundredths.
function pull(name, seconds, first, opening) {
  const records = Array.from({ length: seconds }, (_, second) => [second, Array.from({ length: 10 }, (_, k) => first + 10 * k)]);
  const throttle = Uint8Array.from({ length: seconds * 10 }, (_, k) => (k >= opening ? 240 : 0));
  return runData(name, records, [["TPS", throttle], ["RPM", throttle.map((byte, k) => k)]]);
}

const pageOf = (...runs) => `<!DOCTYPE html><title>x</title><script type="application/json" id="log-data">${JSON.stringify({
  decimalMark: ",", separator: ";", quietSpell: 6000, setup: null, runs,
})}</script>`;

describe("runs", () => {
  test("come from a page's data, and from other pages' files, each with its name", () => {
    const before = pull("BeforeQMRX.pdb", 3, 0, 5);
    const after = pull("AfterQMRX.pdb", 3, 5, 8);
    const { runs } = readPage({ decimalMark: ".", separator: ",", quietSpell: 6000, runs: [before, after] });
    assert.deepEqual(runs.map((run) => [run.name, run.log.count, run.offset]), [["BeforeQMRX.pdb", 30, 0], ["AfterQMRX.pdb", 30, 0]]);
    const old = pageData([[0, [0, 50]]], [[1, 2]]);
    const cases = [
      [pageOf(before, after), ["BeforeQMRX.pdb", "AfterQMRX.pdb"]],
      [`<title>R&amp;D &lt;1&gt; &#8364;QMRX.pdb</title><script type="application/json" id="log-data">${JSON.stringify(old)}</script>`,
        ["R&D <1> €QMRX.pdb"]],
      ["<html>a letter</html>", /no log page/],
      ['<script type="application/json" id="log-data">{"runs": [</script>', /spoilt/],
      ['<script type="application/json" id="log-data">null</script>', /spoilt/],
    ];
    for (const [text, expected] of cases) {
      if (expected instanceof RegExp) {
        assert.throws(() => runsOfPageText(text), (error) => error instanceof DataError && expected.test(error.message));
      } else {
        assert.deepEqual(runsOfPageText(text).map((data) => data.name), expected);
      }
    }
    const added = makeRun(runsOfPageText(pageOf(runData("CommaQMRX.pdb", [[0, [0]]], [["O2", [51]]])))[0], ".");
    assert.equal(added.log.channels[0].texts[51], " 51");
    const comma = runsOfPageText(pageOf(runData("CommaQMRX.pdb", [[0, [0]]], [["O2", [51]]])))[0];
    comma.channels[0].texts[51] = "1,00";
    assert.equal(makeRun(comma, ".").log.channels[0].texts[51], "1.00");
    assert.throws(() => makeRun({ ...before, name: 7 }, "."), DataError);
    assert.throws(() => makeRun({ ...before, channels: [{ heading: "RPM" }] }, "."), DataError);
  });

  test("stand from their starts, or each from its first sample where the alignment holds", () => {
    const runs = [pull("Before", 10, 0, 50), pull("After", 12, 5, 82), pull("Never", 4, 0, 99)].map((data) => makeRun(data, "."));
    const keptWhere = (run, text) => keptSamples(bindChannels(parseExpression(text),
      (heading) => run.log.channels.find((channel) => channel.heading === heading)), run.log.count).kept;
    const cases = [
      // alignment, each run's base, the legend's texts of the later runs
      [null, [0, 5, 0], ["+0:00.05", "+0:00.00"]],
      ["[TPS] >= 90", [500, 825, 0], ["+0:03.25", "-0:05.00"]],
      ["[RPM] = 3 or [RPM] = 2", [20, 25, 20], ["+0:00.05", "+0:00.00"]],
    ];
    for (const [alignment, bases, texts] of cases) {
      for (const run of runs) {
        const held = alignment && firstKeptTime(run, keptWhere(run, alignment));
        placeRun(run, held ?? startOf(run), 0);
      }
      assert.deepEqual(runs.map((run) => run.base), bases, alignment);
      assert.deepEqual(runs.slice(1).map((run) => offsetText(runs, run, ".")), texts, alignment);
    }
    placeRun(runs[1], runs[1].base, readShift("1,5", ","));
    assert.deepEqual([runs[1].offset, offsetText(runs, runs[1], ",")], [-125, "-0:01,45"]);
    assert.deepEqual(wholeSpan(runs), { start: -20, end: 1320 });
  });

  test("are read at a time each at its sample nearest to it, the earlier of two as near", () => {
    const run = makeRun(runData("Clock", [[0, [0, 50]], [1, [0]], [0, [90]], [2, [0]]], [["RPM", [1, 2, 3, 4, 5]]]), ".");
    placeRun(run, 100, 30);
    // Own times 0, 50, 100, 90, 200 on the page at -70, -20, 30, 20, 130.
    const cases = [[-1000, 0], [-45, 0], [-44, 1], [0, 1], [1, 3], [25, 3], [26, 2], [80, 2], [81, 4], [1000, 4]];
    for (const [time, sample] of cases) {
      assert.equal(sampleAt(run, time), sample, `at ${time}`);
      const nearest = Math.min(...[0, 1, 2, 3, 4].map((k) => Math.abs(pageTimeOf(run, k) - time)));
      assert.equal(Math.abs(pageTimeOf(run, sample) - time), nearest, `at ${time}`);
    }
    assert.equal(sampleAt(makeRun(runData("Empty", [], [["RPM", []]]), "."), 5), -1);
  });

  test("are compared on the channels all of them hold", () => {
    const runs = [
      runData("A", [[0, [0]]], [["RPM", [1]], ["O2", [2]], ["Knock", [3]]]),
      runData("B", [[0, [0]]], [["Knock", [1]], ["RPM", [2]], ["Coolant", [3]]]),
    ].map((data) => makeRun(data, "."));
    assert.deepEqual(sharedHeadings(runs), { shared: ["RPM", "Knock"], unshared: [["O2"], ["Coolant"]] });
    assert.deepEqual(sharedHeadings(runs.slice(0, 1)), { shared: ["RPM", "O2", "Knock"], unshared: [[]] });
  });
});

describe("the view and the shift", () => {
  test("a view stays within the runs, no narrower than five hundredths", () => {
    const whole = { start: -500, end: 1000 };
    const cases = [
      [[-600, 0], { start: -500, end: 100 }],
      [[900, 1200], { start: 700, end: 1000 }],
      [[10, 11], { start: 8, end: 13 }],
      [[-5000, 5000], whole],
    ];
    for (const [[start, end], view] of cases) assert.deepEqual(clampedView(start, end, whole), view, `${start} to ${end}`);
  });

  test("a shift is typed in seconds in the page's decimal mark, to the thousandth", () => {
    const cases = [
      ["2", ".", 200], ["-1.5", ".", -150], ["+0,125", ",", 12.5], [" .5 ", ".", 50], ["86400", ".", 8640000],
      ["1,5", ".", null], ["1.5", ",", null], ["0.0001", ".", null], ["86401", ".", null], ["", ".", null], ["1e3", ".", null],
    ];
    for (const [text, mark, hundredths] of cases) {
      if (hundredths === null) assert.throws(() => readShift(text, mark), RangeError, text);
      else assert.equal(readShift(text, mark), hundredths, text);
    }
  });
});
