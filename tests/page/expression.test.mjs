// The expression language under Node: its grammar and precedence, the mistakes it names, and
// its values over many samples against a plain loop over the same samples.
import assert from "node:assert/strict";
import { describe, test } from "node:test";

import {
  CHUNK, ExpressionError, bindChannels, channelsOf, evaluateExpression, keptSamples, parseExpression,
} from "../../page/expression.js";
import { randomBytes } from "./model_data.mjs";

// Channels as the page holds them: per sample a key, per key a number.
function channel(values) {
  return { keys: Uint32Array.from(values, (_, i) => i), numbers: Float64Array.from(values) };
}

const small = { A: channel([1, 2, 3, 4]), "Inj P/W": channel([10, 0, 5, 2.5]), "channel 34": null };
const named = (channels) => (heading) => {
  if (!(heading in channels)) return `no channel is headed "${heading}"`;
  return channels[heading] ?? `${heading} has no values`;
};

function values(text, channels = small, count = 4) {
  return [...evaluateExpression(bindChannels(parseExpression(text), named(channels)), count)];
}

describe("the expression language", () => {
  test("reads numbers, channels, operators and functions with their precedence", () => {
    const cases = [
      ["1 + 2 * 3", [7, 7, 7, 7]],
      ["(1 + 2) * 3", [9, 9, 9, 9]],
      ["8 - 2 - 1 + 10 / 4 / 5", [5.5, 5.5, 5.5, 5.5]],
      [".5 + 1.", [1.5, 1.5, 1.5, 1.5]],
      ["-[A] - -2", [1, 0, -1, -2]],
      ["[A] * [Inj P/W] / 1200", [10 / 1200, 0, 15 / 1200, 10 / 1200]],
      // A division by zero has no value.
      ["[Inj P/W] / ([A] - 2)", [-10, NaN, 5, 1.25]],
      ["[A-1]", [NaN, 1, 2, 3]],
      ["[ A - 2 ]", [NaN, NaN, 1, 2]],
      ["[A] < 2", [1, 0, 0, 0]],
      ["[A] <= 2", [1, 1, 0, 0]],
      ["[A] > 2", [0, 0, 1, 1]],
      ["[A] >= 2", [0, 1, 1, 1]],
      ["[A] = 2", [0, 1, 0, 0]],
      ["[A] != 2", [1, 0, 1, 1]],
      ["[A] + 1 > 2 * 2", [0, 0, 0, 1]],
      // and before or; not before and; a comparison before not.
      ["[A] = 1 or [A] = 2 and [Inj P/W] = 0", [1, 1, 0, 0]],
      ["NOT [A] > 2 And [A] < 4", [1, 1, 0, 0]],
      ["not not [A]", [1, 1, 1, 1]],
      ["[Inj P/W] and [A] > 1", [0, 0, 1, 1]],
      ["abs(2 - [A]) * ABS(-1)", [1, 0, 1, 2]],
      ["min([A], 2.5, [Inj P/W])", [1, 0, 2.5, 2.5]],
      ["max([A], 2.5) + Max(0, -1)", [2.5, 2.5, 3, 4]],
      // Without a value in one sample, nothing computed from it has one.
      ["[A-1] > 0 or [A] > 0", [NaN, 1, 1, 1]],
      ["not [A-1] = 1", [NaN, 0, 1, 1]],
      ["max([A-2], 0)", [NaN, NaN, 1, 2]],
    ];
    for (const [text, expected] of cases) assert.deepEqual(values(text), expected, text);
  });

  test("nests as deep as its limit", () => {
    assert.deepEqual(values(`${"(".repeat(256)}[A]${")".repeat(256)} + ${"-".repeat(200)}1`, small), values("[A] + 1", small));
  });

  test("a channel headed like another one sample earlier is that channel", () => {
    assert.deepEqual(values("[A-1]", { ...small, "A-1": channel([7, 7, 7, 7]) }), [7, 7, 7, 7]);
  });

  test("names where a mistake is and what was expected there", () => {
    const cases = [
      ["[Coolant] > ", 13, /^expected a number, a channel in square brackets, a function or "\(", not the end$/],
      ["constructor.constructor(\"alert(1)\")()", 1, /^"constructor" is not a function \(there are abs, min and max\); a channel's heading goes in square brackets/],
      ["__proto__", 1, /"__proto__" is not a function/],
      ["toString(1)", 1, /"toString" is not a function/],
      ["RPM > 3", 1, /"RPM" is not a function.*as \[RPM\]/],
      ["[A] > 0,5", 8, /^expected an operator, "and", "or" or the end, not ","; numbers are written with a decimal point, as 0\.5$/],
      ["([A] > 1", 9, /^expected an operator, "and", "or" or "\)", not the end$/],
      ["([A] > 1))", 10, /or the end, not "\)"$/],
      ["min([A] 2)", 9, /^expected an operator, "and", "or", "," or "\)", not "2"$/],
      ["1 < [A] < 3", 9, /^expected "and" or "or" between two comparisons, not "<"$/],
      ["[A", 1, /^the "\[" has no "\]" to close it$/],
      ["[A [B]]", 1, /no "\]" to close it/],
      ["[ ]", 1, /^expected a channel's heading between "\[" and "\]"$/],
      ["", 1, /^expected a number/],
      ["abs([A], 2)", 1, /^abs\(\) takes one value$/],
      ["1 + min([A])", 5, /^min\(\) takes two or more values, separated by ","$/],
      ["abs [A]", 5, /^expected "\(" after abs, not \[A\]$/],
      ["[A] # 3", 5, /not "#"$/],
      ["[A] == 2", 6, /^expected a number.*not "="$/],
      ["2 ** 3", 4, /not "\*"$/],
      ["[A] >= 1 and", 13, /^expected a number.*not the end$/],
      ["1 not 2", 3, /not "not"$/],
      ["1e3", 2, /^expected an operator.*not "e3"$/],
      ["[Coolnt] > 1", 1, /^no channel is headed "Coolnt"$/],
      ["[A] + [channel 34]", 7, /^channel 34 has no values$/],
      ["[Inj P/W-1] + [Coolnt-1]", 15, /^no channel is headed "Coolnt-1"$/],
      [`${"9".repeat(400)} > 1`, 1, /too large a number/],
      // Characters as a person counts them: an emoji or an accent's letter is one.
      ["\u{1F697} > 1", 1, /not "\u{1F697}"$/u],
      ["[A] + \u{1F697}\u{1F697} + 1", 7, /not "\u{1F697}"$/u],
      ["[A] \u{1F697}", 5, /not "\u{1F697}"$/u],
      ["[Caf\u00e9] > \u00e9", 10, /not "\u00e9"$/],
      [`${"(".repeat(257)}1${")".repeat(257)}`, 258, /^nested too deeply: at most 256 levels of brackets, functions, "not" and signs$/],
      [`${"not ".repeat(300)}1`, 1029, /^nested too deeply/],
      [`1 - ${"-".repeat(300)}1`, 262, /^nested too deeply/],
      [`abs(${"min(1, ".repeat(300)}`, 1794, /^nested too deeply/],
      [`1${" ".repeat(10000)}`, 10001, /^the expression is too long: 10001 characters, of at most 10000$/],
    ];
    for (const [text, position, reason] of cases) {
      assert.throws(() => bindChannels(parseExpression(text), named(small)), (error) => {
        assert.ok(error instanceof ExpressionError, text);
        assert.equal(error.position + 1, position, `${text}: ${error.message}`);
        assert.match(error.reason, reason, text);
        assert.equal(error.message, `At character ${position}: ${error.reason}`);
        return true;
      });
    }
  });

  test("lists the channels an expression reads, each once", () => {
    const tree = bindChannels(parseExpression("[A] + max([A-1], [Inj P/W]) > 2"), named(small));
    assert.deepEqual(channelsOf(tree), [small.A, small["Inj P/W"]]);
  });
});

describe("computed channels and filters over many samples", () => {
  // Three channels of random bytes over more samples than a chunk, numbers as the CSV rounds them.
  const count = 3 * CHUNK + 17;
  const channels = {
    RPM: { keys: randomBytes(count, 1), numbers: Float64Array.from({ length: 256 }, (_, raw) => Math.round(raw * 31.25)) },
    O2: { keys: randomBytes(count, 2), numbers: Float64Array.from({ length: 256 }, (_, raw) => Math.round((raw / 51) * 100) / 100) },
    "Inj P/W": { keys: randomBytes(count, 3), numbers: Float64Array.from({ length: 256 }, (_, raw) => Math.round((raw / 3.9) * 1000) / 1000) },
  };
  const at = (name, sample) => (sample < 0 ? NaN : channels[name].numbers[channels[name].keys[sample]]);
  const truth = (value) => (value !== value ? NaN : value !== 0 ? 1 : 0);
  const both = (a, b, join) => (a !== a || b !== b ? NaN : join(a, b) ? 1 : 0);
  const formulas = [
    ["[Inj P/W] * [RPM] / 1200", (i) => (at("Inj P/W", i) * at("RPM", i)) / 1200],
    ["abs([RPM] - [RPM-1])", (i) => Math.abs(at("RPM", i) - at("RPM", i - 1))],
    ["max([O2], 1) - min([O2], 0.5) * 2", (i) => Math.max(at("O2", i), 1) - Math.min(at("O2", i), 0.5) * 2],
    ["[RPM] / ([O2] - 1)", (i) => (at("O2", i) - 1 === 0 ? NaN : at("RPM", i) / (at("O2", i) - 1))],
    ["[RPM] > 3000 and not [O2] < 0.9 or [RPM-3] = 0", (i) => both(
      both(truth(Number(at("RPM", i) > 3000)), at("O2", i) < 0.9 ? 0 : 1, (a, b) => a && b),
      at("RPM", i - 3) !== at("RPM", i - 3) ? NaN : at("RPM", i - 3) === 0 ? 1 : 0, (a, b) => a || b)],
  ];

  test("give every sample what a plain loop over the samples gives", () => {
    for (const [text, formula] of formulas) {
      const tree = bindChannels(parseExpression(text), named(channels));
      const computed = evaluateExpression(tree, count);
      const { kept, total } = keptSamples(tree, count);
      let keptByLoop = 0;
      for (let i = 0; i < count; i++) {
        const expected = formula(i);
        assert.ok(Object.is(computed[i], expected) || computed[i] === expected, `${text} at sample ${i}: ${computed[i]}, not ${expected}`);
        const keep = expected === expected && expected !== 0 ? 1 : 0;
        assert.equal(kept[i], keep, `${text} keeps sample ${i}`);
        keptByLoop += keep;
      }
      assert.equal(total, keptByLoop, text);
      assert.ok(keptByLoop > 0 && keptByLoop < count, `${text} keeps some samples and not others`);
    }
  });
});
