// The expression language of the filter and of computed channels: channel headings in square
// brackets ([Coolant], [Inj P/W], and [RPM-1] for RPM one sample earlier), numbers, + - * /,
// comparisons < <= > >= = !=, and, or, not, parentheses, abs(), min() and max(). Text is parsed
// into a tree here and the tree is evaluated over the samples by this module's own code: nothing
// is ever run as JavaScript. No DOM here, so that Node tests it.
//
// A value is a number; a comparison and and/or/not give 1 or 0, and take any number other than 0
// as true. A sample without a value (before the first sample for [RPM-1], a division by zero, a
// computed channel without a value there) gives no value (NaN) to everything computed from it.

// A mistake in an expression: the character where it is (from 0, a character being what a
// person counts, an emoji one) and what was expected there.
export class ExpressionError extends Error {
  constructor(position, reason) {
    super(`At character ${position + 1}: ${reason}`);
    this.position = position;
    this.reason = reason;
  }
}

// Whatever an address or a setup holds, an expression deeper or longer than this is refused
// before it is read further: the parser's recursion and the evaluator's buffers stay bounded.
export const MOST_DEPTH = 256;
const MOST_LENGTH = 10000;

const FUNCTIONS = new Map([["abs", { least: 1, most: 1 }], ["min", { least: 2, most: Infinity }],
  ["max", { least: 2, most: Infinity }]]);
const KEYWORDS = ["and", "or", "not"];
const COMPARISONS = ["<", "<=", ">", ">=", "=", "!="];
const SYMBOLS = ["<=", ">=", "!=", "<", ">", "=", "+", "-", "*", "/", "(", ")", ","];
const A_VALUE = "a number, a channel in square brackets, a function or \"(\"";
// A heading followed by "-" and a whole number: that channel so many samples earlier.
const EARLIER = /^(.*\S)\s*-\s*(\d+)$/;

function describe(token) {
  if (token.type === "end") return "the end";
  if (token.type === "channel") return `[${token.text}]`;
  return `"${token.text}"`;
}

// The expression's tokens, each with its type, text and position in characters, and an "end"
// token last.
function tokenize(text) {
  const tokens = [];
  let at = 0;
  let character = 0;
  const advance = (length) => {
    for (const end = at + length; at < end; character++) at += text.codePointAt(at) > 0xffff ? 2 : 1;
  };
  while (at < text.length) {
    const rest = text.slice(at);
    const space = /^\s+/.exec(rest);
    if (space) {
      advance(space[0].length);
      continue;
    }
    const number = /^(\d+(\.\d*)?|\.\d+)/.exec(rest);
    const word = /^[A-Za-z_][A-Za-z0-9_]*/.exec(rest);
    if (number) {
      const value = Number(number[0]);
      if (!Number.isFinite(value)) throw new ExpressionError(character, `${number[0]} is too large a number`);
      tokens.push({ type: "number", text: number[0], value, start: character });
      advance(number[0].length);
    } else if (rest[0] === "[") {
      const close = rest.indexOf("]");
      const open = rest.indexOf("[", 1);
      if (close < 0 || (open >= 0 && open < close)) {
        throw new ExpressionError(character, "the \"[\" has no \"]\" to close it");
      }
      const heading = rest.slice(1, close).trim();
      if (heading === "") throw new ExpressionError(character, "expected a channel's heading between \"[\" and \"]\"");
      tokens.push({ type: "channel", text: heading, start: character });
      advance(close + 1);
    } else if (word) {
      const lower = word[0].toLowerCase();
      tokens.push({ type: KEYWORDS.includes(lower) ? lower : "name", text: word[0], start: character });
      advance(word[0].length);
    } else {
      const symbol = SYMBOLS.find((candidate) => rest.startsWith(candidate));
      const other = String.fromCodePoint(rest.codePointAt(0));
      tokens.push({ type: symbol ?? "other", text: symbol ?? other, start: character });
      advance((symbol ?? other).length);
    }
  }
  tokens.push({ type: "end", text: "", start: character });
  return tokens;
}

// The tree of an expression, or an ExpressionError. Nodes: {type: "number", value},
// {type: "channel", heading, back, start}, {type: "unary", operator, operand},
// {type: "binary", operator, left, right}, {type: "call", name, args}.
export function parseExpression(text) {
  const length = [...text].length;
  if (length > MOST_LENGTH) {
    throw new ExpressionError(MOST_LENGTH, `the expression is too long: ${length} characters, of at most ${MOST_LENGTH}`);
  }
  const tokens = tokenize(text);
  let next = 0;
  // Brackets, functions, "not" and signs nest; each level is a level of the parser's recursion.
  let depth = 0;
  const nested = (parse) => {
    if (++depth > MOST_DEPTH) {
      throw new ExpressionError(peek().start, `nested too deeply: at most ${MOST_DEPTH} levels of brackets, functions, "not" and signs`);
    }
    const tree = parse();
    depth--;
    return tree;
  };
  const peek = () => tokens[next];
  const take = () => tokens[next++];
  const fail = (expected) => {
    throw new ExpressionError(peek().start, `expected ${expected}, not ${describe(peek())}`);
  };

  // What may follow a whole operand where the parser stands: an operator, or what closes it.
  const closers = [];
  const afterOperand = () => {
    const choices = ["an operator", "\"and\"", "\"or\"", ...(closers[closers.length - 1] ?? ["the end"])];
    const decimalComma = peek().type === "," ? "; numbers are written with a decimal point, as 0.5" : "";
    throw new ExpressionError(peek().start, `expected ${choices.slice(0, -1).join(", ")} or ${choices[choices.length - 1]}, ` +
      `not ${describe(peek())}${decimalComma}`);
  };

  function either() {
    let left = both();
    while (peek().type === "or") {
      take();
      left = { type: "binary", operator: "or", left, right: both() };
    }
    return left;
  }

  function both() {
    let left = negation();
    while (peek().type === "and") {
      take();
      left = { type: "binary", operator: "and", left, right: negation() };
    }
    return left;
  }

  function negation() {
    if (peek().type !== "not") return comparison();
    take();
    return { type: "unary", operator: "not", operand: nested(negation) };
  }

  function comparison() {
    const left = sum();
    if (!COMPARISONS.includes(peek().type)) return left;
    const operator = take().type;
    const node = { type: "binary", operator, left, right: sum() };
    if (COMPARISONS.includes(peek().type)) fail("\"and\" or \"or\" between two comparisons");
    return node;
  }

  function sum() {
    let left = product();
    while (peek().type === "+" || peek().type === "-") {
      const operator = take().type;
      left = { type: "binary", operator, left, right: product() };
    }
    return left;
  }

  function product() {
    let left = sign();
    while (peek().type === "*" || peek().type === "/") {
      const operator = take().type;
      left = { type: "binary", operator, left, right: sign() };
    }
    return left;
  }

  function sign() {
    if (peek().type !== "-") return operand();
    take();
    return { type: "unary", operator: "-", operand: nested(sign) };
  }

  // Parses what a bracket holds, up to its closing token, which it takes.
  function bracketed(parse, closing) {
    closers.push(closing);
    const inner = parse();
    if (peek().type !== ")") afterOperand();
    closers.pop();
    take();
    return inner;
  }

  function operand() {
    const token = peek();
    if (token.type === "number") {
      take();
      return { type: "number", value: token.value };
    }
    if (token.type === "channel") {
      take();
      const earlier = EARLIER.exec(token.text);
      return earlier
        ? { type: "channel", heading: token.text, earlierHeading: earlier[1], back: Number(earlier[2]), start: token.start }
        : { type: "channel", heading: token.text, back: 0, start: token.start };
    }
    if (token.type === "(") {
      take();
      return bracketed(() => nested(either), ["\")\""]);
    }
    if (token.type === "name") return call();
    return fail(A_VALUE);
  }

  function call() {
    const name = take();
    const fn = name.text.toLowerCase();
    const known = FUNCTIONS.get(fn);
    if (!known) {
      throw new ExpressionError(name.start, `"${name.text}" is not a function (there are abs, min and max); ` +
        "a channel's heading goes in square brackets, as [RPM]");
    }
    if (peek().type !== "(") fail(`"(" after ${name.text}`);
    take();
    const args = bracketed(() => {
      const list = [nested(either)];
      while (peek().type === ",") {
        take();
        list.push(nested(either));
      }
      return list;
    }, ["\",\"", "\")\""]);
    if (args.length < known.least || args.length > known.most) {
      throw new ExpressionError(name.start, known.most === 1 ? `${fn}() takes one value`
        : `${fn}() takes two or more values, separated by ","`);
    }
    return { type: "call", name: fn, args };
  }

  if (peek().type === "end") fail(A_VALUE);
  const tree = either();
  if (peek().type !== "end") afterOperand();
  return tree;
}

// The channels a tree reads, each once, in the order they appear.
export function channelsOf(tree) {
  const found = [];
  const visit = (node) => {
    if (node.type === "channel" && !found.includes(node.channel)) found.push(node.channel);
    if (node.operand) visit(node.operand);
    if (node.left) visit(node.left);
    if (node.right) visit(node.right);
    node.args?.forEach(visit);
  };
  visit(tree);
  return found;
}

// Ties each channel node of the tree to the channel that channelNamed(heading) finds, which gives
// a channel ({keys, numbers}), or a text saying why there is none. [RPM-1] is a channel headed
// "RPM-1" where there is one, and RPM one sample earlier where there is not.
export function bindChannels(tree, channelNamed) {
  const visit = (node) => {
    if (node.type === "channel") {
      let found = channelNamed(node.heading);
      let back = 0;
      if (typeof found !== "object" && node.earlierHeading !== undefined) {
        const earlier = channelNamed(node.earlierHeading);
        if (typeof earlier === "object") {
          found = earlier;
          back = node.back;
        }
      }
      if (typeof found !== "object") throw new ExpressionError(node.start, found);
      node.channel = found;
      node.back = back;
    }
    if (node.operand) visit(node.operand);
    if (node.left) visit(node.left);
    if (node.right) visit(node.right);
    node.args?.forEach(visit);
  };
  visit(tree);
  return tree;
}

// Samples are evaluated a chunk at a time by a program of steps over a stack of chunk buffers:
// a value is pushed, an operator works on the top one or two. The buffers are the module's own,
// one per level of the stack, and serve every expression in turn.
export const CHUNK = 4096;
const stack = [];

// How many chunk buffers the evaluator holds: the deepest stack any expression needed.
export function scratchBuffers() {
  return stack.length;
}

function buffer(level) {
  while (stack.length <= level) stack.push(new Float64Array(CHUNK));
  return stack[level];
}

// Each operation is a loop of its own over a chunk, a[j] = a[j] op b[j], so that every loop stays
// simple for the browser's compiler however many operations an expression holds.
const BINARY = {
  "+": (a, b, n) => { for (let j = 0; j < n; j++) a[j] += b[j]; },
  "-": (a, b, n) => { for (let j = 0; j < n; j++) a[j] -= b[j]; },
  "*": (a, b, n) => { for (let j = 0; j < n; j++) a[j] *= b[j]; },
  "/": (a, b, n) => { for (let j = 0; j < n; j++) a[j] = b[j] === 0 ? NaN : a[j] / b[j]; },
  "<": (a, b, n) => { for (let j = 0; j < n; j++) a[j] = a[j] !== a[j] || b[j] !== b[j] ? NaN : a[j] < b[j] ? 1 : 0; },
  "<=": (a, b, n) => { for (let j = 0; j < n; j++) a[j] = a[j] !== a[j] || b[j] !== b[j] ? NaN : a[j] <= b[j] ? 1 : 0; },
  ">": (a, b, n) => { for (let j = 0; j < n; j++) a[j] = a[j] !== a[j] || b[j] !== b[j] ? NaN : a[j] > b[j] ? 1 : 0; },
  ">=": (a, b, n) => { for (let j = 0; j < n; j++) a[j] = a[j] !== a[j] || b[j] !== b[j] ? NaN : a[j] >= b[j] ? 1 : 0; },
  "=": (a, b, n) => { for (let j = 0; j < n; j++) a[j] = a[j] !== a[j] || b[j] !== b[j] ? NaN : a[j] === b[j] ? 1 : 0; },
  "!=": (a, b, n) => { for (let j = 0; j < n; j++) a[j] = a[j] !== a[j] || b[j] !== b[j] ? NaN : a[j] !== b[j] ? 1 : 0; },
  and: (a, b, n) => { for (let j = 0; j < n; j++) a[j] = a[j] !== a[j] || b[j] !== b[j] ? NaN : a[j] !== 0 && b[j] !== 0 ? 1 : 0; },
  or: (a, b, n) => { for (let j = 0; j < n; j++) a[j] = a[j] !== a[j] || b[j] !== b[j] ? NaN : a[j] !== 0 || b[j] !== 0 ? 1 : 0; },
  min: (a, b, n) => { for (let j = 0; j < n; j++) a[j] = Math.min(a[j], b[j]); },
  max: (a, b, n) => { for (let j = 0; j < n; j++) a[j] = Math.max(a[j], b[j]); },
};
const UNARY = {
  "-": (a, n) => { for (let j = 0; j < n; j++) a[j] = -a[j]; },
  not: (a, n) => { for (let j = 0; j < n; j++) a[j] = a[j] !== a[j] ? NaN : a[j] === 0 ? 1 : 0; },
  abs: (a, n) => { for (let j = 0; j < n; j++) a[j] = Math.abs(a[j]); },
};

// The keys 0 to 255 as samples, for working a part of a tree out once per key.
const EVERY_KEY = Uint8Array.from({ length: 256 }, (_, key) => key);

// A step that pushes the values of a channel's numbers as its keys give them, `back` samples
// earlier; NaN before the first sample.
function readerStep(keys, numbers, back) {
  return {
    kind: "push",
    numbers,
    read(from, count, out) {
      let j = 0;
      for (; j < count && from + j - back < 0; j++) out[j] = NaN;
      for (let at = from + j - back; j < count; j++, at++) out[j] = numbers[keys[at]];
    },
  };
}

// The source that the parts read together: undefined when none reads a channel, the one channel
// and offset all read, or null for more than one.
function sameSource(a, b) {
  if (a === undefined) return b;
  if (b === undefined) return a;
  return a && b && a.channel === b.channel && a.back === b.back ? a : null;
}

// A part that reads a single channel of a few keys (a raw byte's 256) is worked out once per key
// and then looked up: a value computed from no value has none, so the samples without one stay
// without.
function tabulated(part) {
  const source = part.source;
  if (part.leaf || !source || source.channel.numbers.length > 256) return part;
  const perKey = part.steps.map((step) => (step.numbers ? readerStep(EVERY_KEY, step.numbers, 0) : step));
  const table = new Float64Array(source.channel.numbers.length);
  run(perKey, 0, table.length, table);
  return { steps: [readerStep(source.channel.keys, table, source.back)], source, leaf: true };
}

// A tree as steps, with the source it reads, parts that read one channel among others worked out
// per key.
function compile(node) {
  if (node.type === "number") {
    return { steps: [{ kind: "push", read: (from, count, out) => out.fill(node.value, 0, count) }], source: undefined, leaf: true };
  }
  if (node.type === "channel") {
    const { channel, back } = node;
    return { steps: [readerStep(channel.keys, channel.numbers, back)], source: { channel, back }, leaf: true };
  }
  const operands = node.type === "call" ? node.args : [node.operand ?? node.left, node.right].filter(Boolean);
  let parts = operands.map(compile);
  const source = parts.map((part) => part.source).reduce(sameSource, undefined);
  if (source === null) parts = parts.map(tabulated);
  const operator = node.type === "call" ? node.name : node.operator;
  const steps = [...parts[0].steps];
  if (parts.length === 1) {
    steps.push({ kind: "unary", loop: UNARY[operator] });
  } else {
    for (const part of parts.slice(1)) steps.push(...part.steps, { kind: "binary", loop: BINARY[operator] });
  }
  return { steps, source, leaf: false };
}

// Runs the steps over samples from..from+count-1 (count at most CHUNK) into out.
function run(steps, from, count, out) {
  let top = -1;
  for (const step of steps) {
    if (step.kind === "push") step.read(from, count, buffer(++top));
    else if (step.kind === "unary") step.loop(buffer(top), count);
    else step.loop(buffer(top - 1), buffer(top--), count);
  }
  out.set(buffer(0).subarray(0, count));
}

function program(tree) {
  return tabulated(compile(tree)).steps;
}

// The value of a bound tree for every sample, in file order; NaN where there is none. Written
// into `values`, which a page of millions of samples keeps to work them out again.
export function evaluateExpression(tree, sampleCount, values = new Float64Array(sampleCount)) {
  const steps = program(tree);
  for (let from = 0; from < sampleCount; from += CHUNK) {
    const count = Math.min(CHUNK, sampleCount - from);
    run(steps, from, count, values.subarray(from, from + count));
  }
  return values;
}

// Which samples a filter keeps: those where its value is true (neither 0 nor without a value).
export function keptSamples(tree, sampleCount) {
  const kept = new Uint8Array(sampleCount);
  const steps = program(tree);
  const chunk = new Float64Array(CHUNK);
  let total = 0;
  for (let from = 0; from < sampleCount; from += CHUNK) {
    const count = Math.min(CHUNK, sampleCount - from);
    run(steps, from, count, chunk);
    for (let j = 0; j < count; j++) {
      const keep = chunk[j] !== 0 && chunk[j] === chunk[j] ? 1 : 0;
      kept[from + j] = keep;
      total += keep;
    }
  }
  return { kept, total };
}
