// The runs a page shows, one log's samples each, the first the reference: the page's data read
// into runs, runs read from another page's file, where each run stands on the page's one time
// axis, and the samples the cursor reads in each. No DOM here, so that Node tests it.
import { DataError, lowerBound, nearestSample, readLog, sampleByTime, spanText, typedSeconds } from "./log_data.js";

export const MOST_RUNS = 8;
// The narrowest view, in hundredths.
const SMALLEST_SPAN = 5;
// A shift by hand of at most a day, with at most three decimals of a second.
const MOST_SHIFT = 24 * 3600 * 100;

// A run's own time is the time its CSV writes; the page's time axis shows own time - offset, where
// offset = base - shift: base is the own time at the page's 0:00 (the run's start, or where the
// runs are aligned), shift what the user typed, positive to draw the run later.
export function makeRun(data, decimalMark) {
  if (typeof data.name !== "string") throw new DataError("a run of the page has no name");
  const log = readLog(data);
  if (data.decimalMark !== decimalMark) {
    for (const channel of log.channels) channel.texts = channel.texts.map((text) => text.replace(data.decimalMark, decimalMark));
  }
  return {
    name: data.name,
    log,
    summary: Array.isArray(data.summary) ? data.summary : null,
    notes: Array.isArray(data.notes) ? data.notes : [],
    ranges: Array.isArray(data.ranges) ? data.ranges : [],
    base: 0,
    shift: 0,
    offset: 0,
    // The samples (in file order) that the filter keeps, null for all; and how many of the first k
    // by time it keeps.
    kept: null,
    keptBefore: null,
    keptTotal: log.count,
    // The page's computed channels as this run's values.
    computed: [],
  };
}

// The page's data: its runs, with the CSV's decimal mark and separator that every text follows.
export function readPage(data) {
  if (!Array.isArray(data.runs) || data.runs.length === 0) throw new DataError("the page holds no run");
  return {
    decimalMark: data.decimalMark,
    separator: data.separator,
    // The longest silence of the logger that a strip's line bridges, in hundredths.
    quietSpell: data.quietSpell,
    setup: typeof data.setup === "string" ? data.setup : null,
    runs: data.runs.slice(0, MOST_RUNS).map((run) => makeRun({ ...run, decimalMark: data.decimalMark }, data.decimalMark)),
  };
}

const ENTITIES = { amp: "&", lt: "<", gt: ">", quot: "\"", apos: "'" };

// Text of HTML without its markup's escapes.
function htmlText(html) {
  return html.replace(/&(#x[0-9a-f]+|#\d+|[a-z]+);/gi, (entity, name) => {
    if (name[0] !== "#") return ENTITIES[name.toLowerCase()] ?? entity;
    return String.fromCodePoint(name[1] === "x" || name[1] === "X" ? parseInt(name.slice(2), 16) : Number(name.slice(1)));
  });
}

// The data of the runs a page file (read in the browser as text) holds, each with its decimal
// mark; a page written before pages held runs holds one, named by its title. Throws a DataError
// for any other file.
export function runsOfPageText(text) {
  const found = /<script type="application\/json" id="log-data">([\s\S]*?)<\/script>/.exec(text);
  if (!found) throw new DataError("it is no log page of quillet-convert");
  let data;
  try {
    data = JSON.parse(found[1]);
  } catch {
    throw new DataError("its data is spoilt");
  }
  if (typeof data?.decimalMark !== "string") throw new DataError("its data is spoilt");
  if (Array.isArray(data.runs)) return data.runs.map((run) => ({ ...run, decimalMark: data.decimalMark }));
  const title = /<title>([\s\S]*?)<\/title>/.exec(text)?.[1] ?? "";
  return [{ ...data, name: htmlText(title) }];
}

// The run's first time, by time; 0 without samples.
export function startOf(run) {
  return run.log.count > 0 ? run.log.timesByTime[0] : 0;
}

// The own time of the run's first sample in file order that `kept` keeps, or null where it keeps
// none.
export function firstKeptTime(run, kept) {
  const first = kept.indexOf(1);
  return first < 0 ? null : run.log.times[first];
}

export function placeRun(run, base, shift = run.shift) {
  run.base = base;
  run.shift = shift;
  run.offset = base - shift;
}

// Where a run stands against the reference, as the legend writes it: "+0:03.25" when its 0:00 is
// 3.25 s further into its own log than the reference's.
export function offsetText(runs, run, decimalMark) {
  return spanText(run.offset - runs[0].offset, decimalMark);
}

// A shift typed in seconds, in the page's decimal mark, as hundredths. Throws a RangeError that
// says what to type.
export function readShift(text, decimalMark) {
  const shift = typedSeconds(text, decimalMark, true);
  if (shift === null || Math.abs(shift) > MOST_SHIFT) {
    throw new RangeError(`Give the shift in seconds with at most three decimals, as -1${decimalMark}5 or 2, at most a day`);
  }
  return shift;
}

// The stretch of the page's time axis that holds every run's samples.
export function wholeSpan(runs) {
  let start = Infinity;
  let end = -Infinity;
  for (const { log, offset } of runs) {
    if (log.count === 0) continue;
    start = Math.min(start, log.timesByTime[0] - offset);
    end = Math.max(end, log.timesByTime[log.count - 1] - offset);
  }
  if (start > end) return { start: 0, end: 100 };
  return start === end ? { start: start - 50, end: end + 50 } : { start, end };
}

// A view from start to end moved inside the whole span and widened to the narrowest view.
export function clampedView(start, end, whole) {
  const span = Math.min(Math.max(end - start, SMALLEST_SPAN), whole.end - whole.start);
  const middle = (start + end) / 2;
  const from = Math.min(Math.max(middle - span / 2, whole.start), whole.end - span);
  return { start: from, end: from + span };
}

// The run's sample (in file order) nearest to a time of the page's axis, or -1 without samples.
export function sampleAt(run, time) {
  const index = nearestSample(run.log.timesByTime, time + run.offset);
  return index < 0 ? -1 : sampleByTime(run.log, index);
}

// Where a run's sample stands on the page's time axis.
export function pageTimeOf(run, sample) {
  return run.log.times[sample] - run.offset;
}

// The run's first and last sample by time within a view of the page's axis, or null.
export function samplesInView(run, view) {
  const times = run.log.timesByTime;
  const first = lowerBound(times, view.start + run.offset);
  const last = lowerBound(times, view.end + run.offset + 1e-9) - 1;
  return first <= last ? [first, last] : null;
}

// The headings of the channels every run holds, in the reference's order; and per run, those of
// its channels that the others lack.
export function sharedHeadings(runs) {
  const headingsOf = (run) => run.log.channels.map((channel) => channel.heading);
  const shared = headingsOf(runs[0]).filter((heading) => runs.every((run) => headingsOf(run).includes(heading)));
  return { shared, unshared: runs.map((run) => headingsOf(run).filter((heading) => !shared.includes(heading))) };
}
