// Settings from outside the page under Node: whatever an address or a setup file holds, each
// setting passes the checks a typed one passes or is left out with a note, and nothing in them
// can stop the page: expressions too deep or too long, names that pass for other channels, and
// numbers out of their range. What the address test in Chromium checks through the page is not
// repeated here.
import assert from "node:assert/strict";
import { describe, test } from "node:test";

import { channelLabel, checkedChannel, cleanName, defaultChoices, lookOf } from "../../page/channels.js";
import {
  MOST_DEPTH, bindChannels, evaluateExpression, keptSamples, parseExpression, scratchBuffers,
} from "../../page/expression.js";
import { checkedSettings, readSettings, readSetup, settingsText, setupText, visibleName } from "../../page/settings.js";
import { randomBytes } from "./model_data.mjs";

const page = { headings: ["RPM", "O2", "TPS", "Airflow"], unvalued: ["channel 34"], decimalMark: ".", separator: ",", runs: 2 };
const deep = (depth) => `${"(".repeat(depth)}[RPM]${")".repeat(depth)} > 1000`;
const duty = { heading: "Duty", decimals: 2, expression: "[RPM] * 2" };

describe("settings from the address", () => {
  // Each row: what the address sets, the settings kept, and the notes' labels and reasons.
  const cases = [
    ["a filter just deep enough", { filter: deep(MOST_DEPTH - 1) }, { filter: deep(MOST_DEPTH - 1) }, []],
    ["a filter of 5,000 terms", { filter: `[RPM]${" + 1".repeat(5000)} > 0` }, {}, [["the filter", /the expression is too long: 20009 characters, of at most 10000/]]],
    ["an alignment nested 300 deep", { align: deep(300) }, {}, [["the alignment", /nested too deeply/]]],
    ["a computed channel nested 300 deep", { channels: [{ ...duty, expression: deep(300) }] }, {}, [["the computed channel Duty", /nested too deeply/]]],
    ["O2 with a Greek O", { channels: [{ ...duty, heading: "\u039f2" }] }, {}, [["the computed channel \"\u039f2\"", /^Ο2 looks like the channel O2: give it another name\.$/]]],
    ["RPM in full-width letters", { channels: [{ ...duty, heading: "\uff32\uff30\uff2d" }] }, {}, [[/computed channel/, /looks like the channel RPM/]]],
    ["a name with a control character", { channels: [{ ...duty, heading: " Duty\u0007" }] }, { channels: [duty] }, []],
    ["a channel named none, as the colour", { channels: [{ ...duty, heading: "none" }], colour: "none" },
      { channels: [{ ...duty, heading: "none" }], colour: "none" }, []],
    ["no colour", { colour: "" }, { colour: "" }, []],
    ["a channel that reads one after it", { channels: [{ ...duty, expression: "[Rate]" }, { ...duty, heading: "Rate" }] },
      { channels: [{ ...duty, heading: "Rate" }] }, [["the computed channel Duty", /no channel is headed "Rate"/]]],
    ["a statistic that is none", { statistic: "median" }, {}, [["the statistic", /There is no statistic "median"/]]],
    ["a view that is none", { view: "map" }, {}, [["the view", /There is no view "map"/]]],
    ["a channel the log lacks", { x: "Knock", up: "channel 34" }, {},
      [['X axis "Knock"', /no channel with values headed "Knock"/], ['Up "channel 34"', /no channel with values headed/]]],
    ["a run the page lacks", { run: "2-0" }, {}, [["the run", /The page has no run "2-0"/]]],
    ["a later run minus the first", { run: "1-0" }, { run: "1-0" }, []],
    ["shifts typed wrong", { shifts: ["0", "1,5"] }, {}, [["the shifts", /Give the shift in seconds/]]],
    ["a correction", { statistic: "correction %", measured: "[O2] * 2 + 10", target: "14.7 - 2.5 * ([TPS] > 80)", lag: "0.25" },
      { statistic: "correction %", measured: "[O2] * 2 + 10", target: "14.7 - 2.5 * ([TPS] > 80)", lag: "0.25" }, []],
    ["a correction that cannot be", { measured: deep(300), target: "[Knock] / 2", lag: "5.5" }, {},
      [["the table's Measured", /nested too deeply/], ["the table's Target", /no channel is headed "Knock"/],
        ["the table's Lag", /^Give the lag in seconds from 0 to 5 with at most three decimals, as 0\.3\.$/]]],
  ];
  for (const [name, raw, kept, notes] of cases) {
    test(name, () => {
      const outcome = checkedSettings(readSettings(`#${settingsText(raw)}`), page);
      assert.deepEqual(outcome.settings, { channels: [], ...kept });
      assert.equal(outcome.notes.length, notes.length, JSON.stringify(outcome.notes));
      notes.forEach(([label, reason], index) => {
        if (label instanceof RegExp) assert.match(outcome.notes[index].label, label);
        else assert.equal(outcome.notes[index].label, label);
        assert.match(outcome.notes[index].reason, reason);
      });
    });
  }

  test("spoilt by hand, leave out what cannot be read", () => {
    assert.deepEqual(readSettings("#shifts=%5B1%2C2%5D&channels=%7B"), { channels: [] });
    assert.deepEqual(readSettings("#shifts=%5B%220%22%2C%22-2.5%22%5D"), { channels: [], shifts: ["0", "-2.5"] });
  });
});

describe("a setup file", () => {
  test("holds the settings in the decimal mark of the page that saved it, read in the page's own", () => {
    const settings = {
      view: "table", x: "RPM", xCells: "0,5 1,25", minimum: "3", filter: "[O2] < 0.5", shifts: ["0", "-1,5"], channels: [duty],
      measured: "[O2] * 2 + 10", lag: "0,3",
    };
    const text = setupText(settings, ",");
    assert.match(text, /^Quillet page setup\n\{\n {2}"decimalMark": ",",/);
    assert.deepEqual(readSetup(text, "."), { ...settings, xCells: "0.5 1.25", shifts: ["0", "-1.5"], lag: "0.3" });
    assert.deepEqual(readSetup(text.replaceAll("\n", "\r\n"), ","), settings);
    for (const wrong of ["", "x=RPM", "Quillet page setup\n[1, 2]", "Quillet page setup\n{", "Quillet page setups\n{}"]) {
      assert.throws(() => readSetup(wrong, "."), /it is no page setup/, wrong);
    }
    assert.deepEqual(readSetup('\uFEFFQuillet page setup\n{"x": 5, "channels": [{"name": "A", "decimals": "1", "expression": "1"}]}', "."),
      { channels: [] });
  });
});

describe("names of computed channels", () => {
  test("are cleaned as the form cleans them, and marked as computed", () => {
    const cases = [["  Duty  ", "Duty"], ["Du\u200bty", "Duty"], ["Du\tty", "Duty"], ["Du  \u00a0 ty", "Du ty"], ["Cafe\u0301", "Café"]];
    for (const [typed, clean] of cases) assert.equal(cleanName(typed), clean, JSON.stringify(typed));
    assert.equal(lookOf("\u0420\u0420\u041c"), lookOf("ppm"));
    assert.throws(() => checkedChannel({ heading: "Cafe\u0301", decimals: 0, expression: "1" }, ["Caf\u00e9"]), /headed Café already/);
    assert.deepEqual([channelLabel({ heading: "Duty", computed: true }), channelLabel({ heading: "RPM" })], ["Duty (computed)", "RPM"]);
    assert.equal(visibleName("a\tb"), '"a\\u{9}b"');
  });
});

describe("the views' first choices", () => {
  test("are RPM, then Airflow, Air Volume or TPS, then O2 or Knock, or else the first channels not chosen", () => {
    const cases = [
      [["RPM", "Knock", "O2", "Airflow", "TPS"], { x: "RPM", y: "Airflow", values: "O2" }],
      [["TPS", "Air Volume", "Knock", "RPM"], { x: "RPM", y: "Air Volume", values: "Knock" }],
      [["Coolant", "Battery", "Air Temp"], { x: "Coolant", y: "Battery", values: "Air Temp" }],
      [["Coolant"], { x: "Coolant", y: "Coolant", values: "Coolant" }],
      [[], { x: "", y: "", values: "" }],
    ];
    for (const [headings, choices] of cases) assert.deepEqual(defaultChoices(headings), choices, headings.join(" "));
  });
});

describe("the evaluator", () => {
  test("keeps as many scratch buffers as its deepest expression needs, whatever the number of terms", () => {
    const count = 9000;
    const channel = { keys: randomBytes(count, 4), numbers: Float64Array.from({ length: 256 }, (_, raw) => raw) };
    const other = { keys: randomBytes(count, 5), numbers: Float64Array.from({ length: 256 }, (_, raw) => raw * 2) };
    const bound = (text) => bindChannels(parseExpression(text), (heading) => (heading === "A" ? channel : other));
    const terms = `[A]${" + [B] * 2 - [A]".repeat(120)}`;
    const values = evaluateExpression(bound(terms), count);
    for (const i of [0, 4321, count - 1]) assert.equal(values[i], channel.numbers[channel.keys[i]] + 240 * other.numbers[other.keys[i]] - 120 * channel.numbers[channel.keys[i]]);
    assert.ok(scratchBuffers() <= 4, `${scratchBuffers()} buffers`);
    const nested = `${"([A] + (".repeat(100)}[B]${"))".repeat(100)} > 0`;
    assert.equal(keptSamples(bound(nested), count).total, count);
    assert.ok(scratchBuffers() <= 104, `${scratchBuffers()} buffers`);
  });
});
