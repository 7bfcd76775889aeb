// The log page's model: the samples decoded from the data quillet-convert wrote into the page,
// their times as the CSV writes them, and each channel reduced to the smallest and largest
// value of every pixel column that a strip draws. No DOM here, so that Node tests it.

const BASE64_DIGITS = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const BASE64_VALUES = new Int16Array(128).fill(-1);
for (let i = 0; i < BASE64_DIGITS.length; i++) BASE64_VALUES[BASE64_DIGITS.charCodeAt(i)] = i;

// The bytes of base64 text with padding. Fails on any other text.
export function decodeBase64(text) {
  if (typeof Uint8Array.fromBase64 === "function") return Uint8Array.fromBase64(text);
  return decodeBase64Plainly(text);
}

export function decodeBase64Plainly(text) {
  if (text.length % 4 !== 0) throw new Error("base64 text of a length that is not a multiple of 4");
  const padding = text.endsWith("==") ? 2 : text.endsWith("=") ? 1 : 0;
  const bytes = new Uint8Array((text.length / 4) * 3 - padding);
  const digit = (at) => {
    const code = text.charCodeAt(at);
    const value = code < 128 ? BASE64_VALUES[code] : -1;
    if (value < 0) throw new Error(`not a base64 digit at ${at}`);
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

// A time axis tick, in hundredths: "1:30" on a whole second, "1:30.50" between.
export function tickTimeText(time, decimalMark = ".") {
  const seconds = Math.floor(time / 100);
  const text = sampleTimeText(seconds, Math.round(time - seconds * 100), decimalMark);
  return time % 100 === 0 ? text.slice(0, -3) : text;
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
  for (let power = -decimals; power <= 5; power++) {
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
  const text = (Math.abs(value) < step / 2 ? 0 : value).toFixed(decimals);
  return decimalMark === "." ? text : text.replace(".", decimalMark);
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
// blocks of 16, so that a query costs a few dozen steps however many samples it spans. Values
// are kept as the raw bytes that give them, compared through the channel's numbers.
export class Extremes {
  constructor(bytes, numbers) {
    this.numbers = numbers;
    this.lows = [bytes];
    this.highs = [bytes];
    while (this.lows[this.lows.length - 1].length > 1) {
      const lows = this.lows[this.lows.length - 1];
      const highs = this.highs[this.highs.length - 1];
      const blocks = Math.ceil(lows.length / 16);
      const blockLows = new Uint8Array(blocks);
      const blockHighs = new Uint8Array(blocks);
      for (let block = 0; block < blocks; block++) {
        const end = Math.min(lows.length, block * 16 + 16);
        let low = lows[block * 16];
        let high = highs[block * 16];
        for (let i = block * 16 + 1; i < end; i++) {
          if (numbers[lows[i]] < numbers[low]) low = lows[i];
          if (numbers[highs[i]] > numbers[high]) high = highs[i];
        }
        blockLows[block] = low;
        blockHighs[block] = high;
      }
      this.lows.push(blockLows);
      this.highs.push(blockHighs);
    }
  }

  // The raw bytes of the smallest and the largest value of samples from..to-1 (from < to).
  range(from, to) {
    const numbers = this.numbers;
    let low = this.lows[0][from];
    let high = low;
    const take = (level, at) => {
      const lowHere = this.lows[level][at];
      const highHere = this.highs[level][at];
      if (numbers[lowHere] < numbers[low]) low = lowHere;
      if (numbers[highHere] > numbers[high]) high = highHere;
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

// Samples decoded from the page's data, sorted by time (sampleTimeValue), the file's order
// kept among samples of the same time. A log whose clock
// never goes back is in that order already.
export function readLog(data) {
  const recordSeconds = decodeBase64(data.recordSeconds);
  const recordSamples = decodeBase64(data.recordSamples);
  const hundredths = decodeBase64(data.hundredths);
  const count = hundredths.length;
  const records = recordSeconds.length / 2;
  if (recordSamples.length !== records * 4) throw new Error("the page's records do not match");

  const seconds = new Uint16Array(count);
  let sample = 0;
  for (let record = 0; record < records; record++) {
    const second = recordSeconds[2 * record] | (recordSeconds[2 * record + 1] << 8);
    const samples = recordSamples[4 * record] | (recordSamples[4 * record + 1] << 8) |
      (recordSamples[4 * record + 2] << 16) | (recordSamples[4 * record + 3] * 0x1000000);
    if (sample + samples > count) throw new Error("the page's records hold more samples than it");
    seconds.fill(second, sample, sample + samples);
    sample += samples;
  }
  if (sample !== count) throw new Error("the page's records hold fewer samples than it");

  let times = new Float64Array(count);
  let ordered = true;
  for (let i = 0; i < count; i++) {
    times[i] = sampleTimeValue(seconds[i], hundredths[i]);
    if (i > 0 && times[i] < times[i - 1]) ordered = false;
  }
  const lastRead = count > 0 ? times[count - 1] : null;
  const channels = data.channels.map((channel) => {
    const bytes = decodeBase64(channel.bytes);
    if (bytes.length !== count) throw new Error(`the bytes of ${channel.heading} do not match`);
    const numbers = channel.numbers.every((number) => number !== null)
      ? Float64Array.from(channel.numbers) : null;
    return { heading: channel.heading, decimals: channel.decimals, texts: channel.texts, numbers, bytes };
  });

  let sortedSeconds = seconds;
  let sortedHundredths = hundredths;
  if (!ordered) {
    const order = new Uint32Array(count);
    for (let i = 0; i < count; i++) order[i] = i;
    order.sort((a, b) => times[a] - times[b] || a - b);
    const inOrder = (values) => values.map((_, i) => values[order[i]]);
    sortedSeconds = inOrder(seconds);
    sortedHundredths = inOrder(hundredths);
    times = inOrder(times);
    for (const channel of channels) channel.bytes = inOrder(channel.bytes);
  }
  for (const channel of channels) {
    channel.extremes = channel.numbers && new Extremes(channel.bytes, channel.numbers);
  }
  return {
    count,
    seconds: sortedSeconds,
    hundredths: sortedHundredths,
    times,
    channels,
    decimalMark: data.decimalMark,
    // Where reading a damaged log stopped: after the last sample it read.
    stopTime: data.stopped ? lastRead : null,
    // The longest silence of the logger that a strip's line bridges, in hundredths.
    quietSpell: data.quietSpell,
  };
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

// The points a strip draws from start to end: at most the smallest and the largest value of
// each column, both at its middle, or a lone sample at its own time; and the samples just
// outside either end, so that the line runs on to the edges. The line breaks where the log is
// silent for longer than quietSpell: `breaks` holds the times of the points either side of each
// such silence, and `lonePoints` the points that no line reaches, which the strip shows as dots.
export function stripPoints(times, channel, bounds, start, end, quietSpell = Infinity) {
  const columns = bounds.length - 1;
  const { bytes, numbers, extremes } = channel;
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
  if (first > 0) add(times[first - 1], numbers[bytes[first - 1]]);
  const width = (end - start) / columns;
  for (let column = 0; column < columns; column++) {
    const from = bounds[column];
    const to = bounds[column + 1];
    if (to - from === 1) {
      add(times[from], numbers[bytes[from]], silentBefore(from));
    } else if (to > from) {
      const [low, high] = extremes.range(from, to);
      const middle = start + (column + 0.5) * width;
      add(middle, numbers[low], silentBefore(from));
      if (numbers[high] !== numbers[low]) add(middle, numbers[high]);
    }
  }
  if (last < times.length) add(times[last], numbers[bytes[last]], silentBefore(last));
  endLine();
  return { xs: xs.subarray(0, count), ys: ys.subarray(0, count), breaks, lonePoints };
}
