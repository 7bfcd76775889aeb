// Data the page's model tests share: deterministic bytes, and the page data quillet-convert writes.

// A small deterministic generator, so that a failure names the same data every run.
export function randomBytes(count, seed) {
  let state = seed;
  const bytes = new Uint8Array(count);
  for (let i = 0; i < count; i++) {
    state = (state * 1664525 + 1013904223) >>> 0;
    bytes[i] = state >>> 24;
  }
  return bytes;
}

export const base64 = (bytes) => Buffer.from(bytes).toString("base64");

// The page data of records of [seconds, [hundredths...]], each channel's number of a raw byte
// given by numberOf (the byte itself by default).
export function pageData(records, channelBytes, stopped = false, numberOf = (raw) => raw) {
  const hundredths = records.flatMap(([, samples]) => samples);
  const seconds = new Uint8Array(records.length * 2);
  const counts = new Uint8Array(records.length * 4);
  records.forEach(([second, samples], i) => {
    seconds.set([second & 0xff, second >> 8], 2 * i);
    counts.set([samples.length & 0xff, (samples.length >> 8) & 0xff, 0, 0], 4 * i);
  });
  return {
    decimalMark: ".",
    separator: ",",
    stopped,
    channels: channelBytes.map((bytes, k) => ({
      heading: `channel ${k}`,
      decimals: 0,
      numbers: Array.from({ length: 256 }, (_, raw) => numberOf(raw)),
      texts: Array.from({ length: 256 }, (_, raw) => ` ${numberOf(raw)}`),
      bytes: base64(bytes),
    })),
    recordSeconds: base64(seconds),
    recordSamples: base64(counts),
    hundredths: base64(hundredths),
  };
}

// A plain reading of a table's cells, for the tests to compare the page's with: values are whole
// units (BigInts) of 10^-decimals, and a sample falls in the cell of the centre at the least
// distance, the later of two as near.
export function nearestCentre(value, centres) {
  let best = 0;
  centres.forEach((centre, j) => {
    const distance = value > centre ? value - centre : centre - value;
    const bestDistance = value > centres[best] ? value - centres[best] : centres[best] - value;
    if (distance <= bestDistance) best = j;
  });
  return best;
}

// Whole units of 10^-decimals as text with the decimal mark.
export function unitsAsText(units, decimals, mark = ".") {
  const negative = units < 0n;
  const digits = (negative ? -units : units).toString().padStart(decimals + 1, "0");
  return `${negative ? "-" : ""}${decimals ? `${digits.slice(0, -decimals)}${mark}${digits.slice(-decimals)}` : digits}`;
}

// A cell's text from its samples' values: empty below the minimum; a mean with one decimal more
// than the values, rounded half to even; the smallest, the largest, or the count.
export function plainCellText(units, statistic, decimals, minimum, mark = ".") {
  if (units.length === 0 || units.length < minimum) return "";
  if (statistic === "samples") return String(units.length);
  if (statistic === "smallest") return unitsAsText(units.reduce((a, b) => (b < a ? b : a)), decimals, mark);
  if (statistic === "largest") return unitsAsText(units.reduce((a, b) => (b > a ? b : a)), decimals, mark);
  const count = BigInt(units.length);
  const tenfold = 10n * units.reduce((a, b) => a + b);
  let quotient = tenfold / count;
  let remainder = tenfold % count;
  if (remainder < 0n) {
    quotient -= 1n;
    remainder += count;
  }
  if (2n * remainder > count || (2n * remainder === count && quotient % 2n !== 0n)) quotient += 1n;
  return unitsAsText(quotient, decimals + 1, mark);
}

// A number written with at most `decimals` decimals as whole units of 10^-decimals.
export function unitsOfText(text, decimals, mark = ".") {
  const [whole, fraction = ""] = text.trim().replace(/^-/, "").split(mark);
  const units = BigInt(`${whole || "0"}${fraction.padEnd(decimals, "0")}`);
  return text.trim().startsWith("-") ? -units : units;
}
