// The log page's model: the samples decoded from the data quillet-convert wrote into the page,
// their times and values as the CSV writes them, channels computed from others, and each
// channel reduced to the smallest and largest value of every pixel column that a strip draws.
// No DOM here, so that Node tests it.

// Data that is not what quillet-convert writes: a page spoilt, or a file that is no log page.
export class DataError extends Error {}

const BASE64_DIGITS = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const BASE64_VALUES = new Int16Array(128).fill(-1);
for (let i = 0; i < BASE64_DIGITS.length; i++) BASE64_VALUES[BASE64_DIGITS.charCodeAt(i)] = i;

// The bytes of base64 text with padding. Fails on any other text.
export function decodeBase64(text) {
  if (typeof Uint8Array.fromBase64 !== "function") return decodeBase64Plainly(text);
  try {
    return Uint8Array.fromBase64(text);
  } catch (error) {
    throw new DataError(error.message);
  }
}

export function decodeBase64Plainly(text) {
  if (text.length % 4 !== 0) throw new DataError("base64 text of a length that is not a multiple of 4");
  const padding = text.endsWith("==") ? 2 : text.endsWith("=") ? 1 : 0;
  const bytes = new Uint8Array((text.length / 4) * 3 - padding);
  const digit = (at) => {
    const code = text.charCodeAt(at);
    const value = code < 128 ? BASE64_VALUES[code] : -1;
    if (value < 0) throw new DataError(`not a base64 digit at ${at}`);
    return value;
  };
  let out = 0;
  const whole = text.length - (padding > 0 ? 4 : 0);
  for (let at = 0; at < whole; at += 4) {
    const group = (digit(at) << 18) | (digit(at + 1) << 12) | (digit(at + 2) << 6) | digit(at + 3);
    bytes[out++] = group >> 16;
    bytes[out++] = (group >> 8) & 0xff;
    bytes[out++] = group & 0xff;
  }
  if (padding > 0) {
    const group = (digit(whole) << 18) | (digit(whole + 1) << 12) |
      (padding === 1 ? digit(whole + 2) << 6 : 0);
    bytes[out++] = group >> 16;
    if (padding === 1) bytes[out++] = (group >> 8) & 0xff;
  }
  return bytes;
}

// A sample's time as the CSV's time cell: minutes, ":" or ":0", the seconds in the minute, the
// decimal mark or the mark and "0", the hundredths byte in full (150 gives ".150").
export function sampleTimeText(seconds, hundredths, decimalMark = ".") {
  const minutes = Math.floor(seconds / 60);
  const inMinute = seconds - 60 * minutes;
  return `${minutes}${inMinute < 10 ? ":0" : ":"}${inMinute}` +
    `${decimalMark}${hundredths < 10 ? "0" : ""}${hundredths}`;
}

// A time axis tick, in hundredths: "1:30" on a whole second, "1:30.50" between; a time before
// the runs' common 0:00 with a minus.
export function tickTimeText(time, decimalMark = ".") {
  if (time < 0) return `-${tickTimeText(-time, decimalMark)}`;
  const seconds = Math.floor(time / 100);
  const text = sampleTimeText(seconds, Math.round(time - seconds * 100), decimalMark);
  return time % 100 === 0 ? text.slice(0, -3) : text;
}

// A span of time in hundredths with its sign, as the CSV writes a time: "+0:03.25", "-1:02.150"
// for a span that ends in tenths of a hundredth, as a hundredths byte of 100 and more does.
export function spanText(span, decimalMark = ".") {
  const thousandths = Math.round(Math.abs(span) * 10);
  const minutes = Math.floor(thousandths / 60000);
  const seconds = Math.floor(thousandths / 1000) % 60;
  const rest = thousandths % 1000;
  const fraction = rest % 10 === 0 ? String(rest / 10).padStart(2, "0") : String(rest).padStart(3, "0");
  return `${span < 0 ? "-" : "+"}${minutes}:${String(seconds).padStart(2, "0")}${decimalMark}${fraction}`;
}

// Seconds as a box takes them: at most three decimals in the page's decimal mark, with a sign
// where `signed`; as hundredths, or null for any other text.
export function typedSeconds(text, decimalMark, signed = false) {
  const mark = decimalMark === "." ? "\\." : decimalMark;
  const trimmed = text.trim();
  if (!new RegExp(`^${signed ? "[-+]?" : ""}(\\d+(${mark}\\d{0,3})?|${mark}\\d{1,3})$`).test(trimmed)) return null;
  return Math.round(Number(trimmed.replace(decimalMark, ".")) * 1000) / 10;
}

// Hundredths as seconds in a box, in the page's decimal mark.
export function secondsText(hundredths, decimalMark) {
  return String(hundredths / 100).replace(".", decimalMark);
}

// Tick steps of the time axis in hundredths: tenths and seconds, then whole minutes and hours.
export const TIME_STEPS = [
  1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 1500, 3000, 6000, 12000, 30000, 60000, 120000,
  300000, 600000, 1200000, 3600000, 7200000, 18000000,
];

// Tick steps of a value axis: 1, 2 and 5 times the powers of ten, none finer than the
// channel's cells write.
export function valueSteps(decimals) {
  const steps = [];
  for (let power = -decimals; power <= 15; power++) {
    for (const digit of [1, 2, 5]) steps.push(Number(`${digit}e${power}`));
  }
  return steps;
}

// A value axis tick with as many decimals as the step between ticks has.
export function valueTickText(value, step, decimalMark = ".") {
  let decimals = 0;
  while (decimals < 6 && Math.abs(Math.round(step * 10 ** decimals) - step * 10 ** decimals) > 1e-6) {
    decimals++;
  }
  return numberText(Math.abs(value) < step / 2 ? 0 : value, decimals, decimalMark);
}

// The first index whose time is at least `time`, in times sorted ascending.
export function lowerBound(times, time) {
  let low = 0;
  let high = times.length;
  while (low < high) {
    const middle = (low + high) >>> 1;
    if (times[middle] < time) low = middle + 1;
    else high = middle;
  }
  return low;
}

// The sample nearest to `time`; of two as near, the earlier; -1 without samples.
export function nearestSample(times, time) {
  if (times.length === 0) return -1;
  const after = lowerBound(times, time);
  if (after === 0) return 0;
  if (after === times.length) return times.length - 1;
  return time - times[after - 1] <= times[after] - time ? after - 1 : after;
}

// The smallest and largest value of a channel over any run of samples, from a pyramid of
// blocks of 16, so that a query costs a few dozen steps however many samples it spans. Samples
// are kept as the keys of their numbers (a raw byte, or a sample's number for a computed
// channel); a key without a value (NaN) is never the smallest or largest while others have one.
export class Extremes {
  constructor(keys, numbers) {
    this.numbers = numbers;
    this.lows = [keys];
    this.highs = [keys];
    while (this.lows[this.lows.length - 1].length > 1) {
      const lows = this.lows[this.lows.length - 1];
      const highs = this.highs[this.highs.length - 1];
      const blocks = Math.ceil(lows.length / 16);
      const blockLows = new keys.constructor(blocks);
      const blockHighs = new keys.constructor(blocks);
      for (let block = 0; block < blocks; block++) {
        const end = Math.min(lows.length, block * 16 + 16);
        let low = lows[block * 16];
        let high = highs[block * 16];
        for (let i = block * 16 + 1; i < end; i++) {
          if (numbers[lows[i]] < numbers[low] || numbers[low] !== numbers[low]) low = lows[i];
          if (numbers[highs[i]] > numbers[high] || numbers[high] !== numbers[high]) high = highs[i];
        }
        blockLows[block] = low;
        blockHighs[block] = high;
      }
      this.lows.push(blockLows);
      this.highs.push(blockHighs);
    }
  }

  // The keys of the smallest and the largest value of samples from..to-1 (from < to).
  range(from, to) {
    const numbers = this.numbers;
    let low = this.lows[0][from];
    let high = low;
    const take = (level, at) => {
      const lowHere = this.lows[level][at];
      const highHere = this.highs[level][at];
      if (numbers[lowHere] < numbers[low] || numbers[low] !== numbers[low]) low = lowHere;
      if (numbers[highHere] > numbers[high] || numbers[high] !== numbers[high]) high = highHere;
    };
    let level = 0;
    while (from < to) {
      if (level === this.lows.length - 1) {
        for (; from < to; from++) take(level, from);
        break;
      }
      for (; from < to && (from & 15) !== 0; from++) take(level, from);
      for (; from < to && (to & 15) !== 0; to--) take(level, to - 1);
      from >>= 4;
      to >>= 4;
      level++;
    }
    return [low, high];
  }
}

// A sample's time in hundredths as its CSV cell reads: the hundredths byte is written as digits
// after the decimal mark, two below 100 and three from 100 on, so 5 s and 150 read 5.150 s.
export function sampleTimeValue(seconds, hundredths) {
  return seconds * 100 + (hundredths < 100 ? hundredths : hundredths / 10);
}

// Rounds to the nearest whole number, exact halves to the even neighbour, as the CSV's cells do.
export function roundHalfEven(number) {
  const floor = Math.floor(number);
  const fraction = number - floor;
  if (fraction !== 0.5) return fraction > 0.5 ? floor + 1 : floor;
  return floor % 2 === 0 ? floor : floor + 1;
}

// A number as a cell writes it: the decimals given, the decimal mark; no value is empty.
export function numberText(number, decimals, decimalMark = ".") {
  if (number !== number) return "";
  const text = (number === 0 ? 0 : number).toFixed(decimals);
  return decimalMark === "." ? text : text.replace(".", decimalMark);
}

function check(holds, what) {
  if (!holds) throw new DataError(what);
}

const isTexts = (list, test) => Array.isArray(list) && list.length === 256 && list.every(test);

// Samples decoded from a run's data, in the file's order: sample k is the CSV's row k. Where the
// logger's clock goes back, timeOrder lists the samples by time (sampleTimeValue), the file's
// order kept among samples of the same time, and the channels' keysByTime follow it; a log whose
// clock never goes back is in that order already, and timeOrder is null.
export function readLog(data) {
  check(typeof data.recordSeconds === "string" && typeof data.recordSamples === "string" &&
    typeof data.hundredths === "string" && Array.isArray(data.channels), "the page's data lacks its samples");
  const recordSeconds = decodeBase64(data.recordSeconds);
  const recordSamples = decodeBase64(data.recordSamples);
  const hundredths = decodeBase64(data.hundredths);
  const count = hundredths.length;
  const records = recordSeconds.length / 2;
  check(recordSamples.length === records * 4, "the page's records do not match");

  const seconds = new Uint16Array(count);
  let sample = 0;
  for (let record = 0; record < records; record++) {
    const second = recordSeconds[2 * record] | (recordSeconds[2 * record + 1] << 8);
    const samples = recordSamples[4 * record] | (recordSamples[4 * record + 1] << 8) |
      (recordSamples[4 * record + 2] << 16) | (recordSamples[4 * record + 3] * 0x1000000);
    check(sample + samples <= count, "the page's records hold more samples than it");
    seconds.fill(second, sample, sample + samples);
    sample += samples;
  }
  check(sample === count, "the page's records hold fewer samples than it");

  const times = new Float64Array(count);
  let ordered = true;
  for (let i = 0; i < count; i++) {
    times[i] = sampleTimeValue(seconds[i], hundredths[i]);
    if (i > 0 && times[i] < times[i - 1]) ordered = false;
  }
  let timeOrder = null;
  if (!ordered) {
    timeOrder = new Uint32Array(count);
    for (let i = 0; i < count; i++) timeOrder[i] = i;
    timeOrder.sort((a, b) => times[a] - times[b] || a - b);
  }
  const byTime = (values) => (timeOrder ? values.map((_, i) => values[timeOrder[i]]) : values);
  const channels = data.channels.map((channel) => {
    check(typeof channel.heading === "string" && Number.isInteger(channel.decimals) && typeof channel.bytes === "string" &&
      isTexts(channel.numbers, (number) => number === null || typeof number === "number") &&
      isTexts(channel.texts, (text) => typeof text === "string"), "the page's channels are not whole");
    const bytes = decodeBase64(channel.bytes);
    check(bytes.length === count, `the bytes of ${channel.heading} do not match`);
    const numbers = channel.numbers.every((number) => number !== null)
      ? Float64Array.from(channel.numbers) : null;
    const keysByTime = byTime(bytes);
    return {
      heading: channel.heading,
      decimals: channel.decimals,
      texts: channel.texts,
      numbers,
      keys: bytes,
      keysByTime,
      extremes: numbers && new Extremes(keysByTime, numbers),
    };
  });
  return {
    count,
    seconds,
    hundredths,
    times,
    timeOrder,
    timesByTime: byTime(times),
    channels,
    // Where reading a damaged log stopped: after the last sample it read.
    stopTime: data.stopped && count > 0 ? times[count - 1] : null,
  };
}

// The sample (in file order) that is the index'th in time order.
export function sampleByTime(log, index) {
  return log.timeOrder ? log.timeOrder[index] : index;
}

// How many of the first k samples by time `kept` keeps, for every k from 0 to the log's count.
export function keptBeforeByTime(log, kept) {
  const before = new Uint32Array(log.count + 1);
  const order = log.timeOrder;
  if (order) {
    for (let i = 0; i < log.count; i++) before[i + 1] = before[i] + kept[order[i]];
  } else {
    for (let i = 0; i < log.count; i++) before[i + 1] = before[i] + kept[i];
  }
  return before;
}

// A computed value in whole units of 10^-decimals, rounded half to even. A value within rounding
// errors of a half is taken for the half, which the exact decimal that it stands for is: 5.475 is
// 5.47499… in binary, and rounds to 5.48.
export function roundedUnits(value, decimals) {
  let scaled = value * 10 ** decimals;
  const half = Math.floor(scaled) + 0.5;
  if (Math.abs(scaled - half) <= Math.abs(scaled) * 1e-12) scaled = half;
  return roundHalfEven(scaled);
}

function roundToDecimals(value, decimals) {
  return roundedUnits(value, decimals) / 10 ** decimals;
}

// The numbers of a log's samples, 0 to its count less one: the keys of values that every sample
// has its own of.
export function sampleNumbers(log) {
  if (!log.sampleNumbers) {
    log.sampleNumbers = new Uint32Array(log.count);
    for (let i = 0; i < log.count; i++) log.sampleNumbers[i] = i;
  }
  return log.sampleNumbers;
}

// A channel computed for every sample (values in file order, NaN where it has none), rounded to
// its decimals as the read-out shows it, so that the table and the filter count what it shows.
export function computedChannel(log, heading, decimals, values) {
  for (let i = 0; i < values.length; i++) values[i] = roundToDecimals(values[i], decimals);
  const keys = sampleNumbers(log);
  const keysByTime = log.timeOrder ?? keys;
  return {
    heading,
    decimals,
    texts: null,
    numbers: values,
    keys,
    keysByTime,
    extremes: new Extremes(keysByTime, values),
  };
}

// What the read-out shows of a channel at a sample: the CSV's cell.
export function valueText(channel, sample, decimalMark) {
  const key = channel.keys[sample];
  return channel.texts ? channel.texts[key] : numberText(channel.numbers[key], channel.decimals, decimalMark);
}

// The smallest and largest value of a channel over the whole log, or null without any.
export function channelRange(channel) {
  const count = channel.keysByTime.length;
  if (!channel.numbers || count === 0) return null;
  channel.range ??= channel.extremes.range(0, count).map((key) => channel.numbers[key]);
  return channel.range[0] === channel.range[0] ? channel.range : null;
}

// The smallest and largest value of several runs' channels together (null entries for runs without
// it), or null without any.
export function combinedRange(channels) {
  const ranges = channels.filter((channel) => channel?.numbers).map(channelRange).filter(Boolean);
  return ranges.length === 0 ? null : [Math.min(...ranges.map((range) => range[0])), Math.max(...ranges.map((range) => range[1]))];
}

// The samples of each of `columns` equal pixel columns from start to end: column c holds
// samples bounds[c] to bounds[c + 1] - 1.
export function columnBounds(times, start, end, columns) {
  const bounds = new Uint32Array(columns + 1);
  const width = (end - start) / columns;
  for (let column = 0; column <= columns; column++) {
    bounds[column] = column === columns
      ? lowerBound(times, end + 1e-9) : lowerBound(times, start + column * width);
  }
  return bounds;
}

// The points a strip draws from start to end over samples in time order: at most the smallest
// and the largest value of each column, both a quarter into it, or a lone sample at its own time;
// and the samples just outside either end, so that the line runs on to the edges. A column is
// one pixel of the canvas: its middle would round to either pixel and leave the other one
// empty, a quarter rounds to its own. Samples without a value are left out. The line breaks
// where the log is silent for longer than quietSpell: `breaks` holds the times of the points
// either side of each such silence, and `lonePoints` the points that no line reaches, which the
// strip shows as dots.
export function stripPoints(times, channel, bounds, start, end, quietSpell = Infinity) {
  const columns = bounds.length - 1;
  const { keysByTime: keys, numbers, extremes } = channel;
  const xs = new Float64Array(2 * columns + 2);
  const ys = new Float64Array(2 * columns + 2);
  const breaks = [];
  const lonePoints = [];
  let count = 0;
  let lineStart = 0;
  const endLine = () => {
    if (count - lineStart === 1) lonePoints.push(lineStart);
    lineStart = count;
  };
  const silentBefore = (sample) => sample > 0 && times[sample] - times[sample - 1] > quietSpell;
  const add = (x, y, afterSilence = false) => {
    if (y !== y) return;
    if (afterSilence && count > 0) {
      breaks.push([xs[count - 1], x]);
      endLine();
    }
    xs[count] = x;
    ys[count] = y;
    count++;
  };
  const first = bounds[0];
  const last = bounds[columns];
  if (first > 0) add(times[first - 1], numbers[keys[first - 1]]);
  const width = (end - start) / columns;
  for (let column = 0; column < columns; column++) {
    const from = bounds[column];
    const to = bounds[column + 1];
    if (to - from === 1) {
      add(times[from], numbers[keys[from]], silentBefore(from));
    } else if (to > from) {
      const [low, high] = extremes.range(from, to);
      const x = start + (column + 0.25) * width;
      add(x, numbers[low], silentBefore(from));
      if (numbers[high] !== numbers[low]) add(x, numbers[high]);
    }
  }
  if (last < times.length) add(times[last], numbers[keys[last]], silentBefore(last));
  endLine();
  return { xs: xs.subarray(0, count), ys: ys.subarray(0, count), breaks, lonePoints };
}
