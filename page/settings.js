// The page's settings: kept in its address's fragment ("#view=table&x=RPM&…"), so that a reload or
// a bookmark shows the same views, and saved as a setup file that opens any log's page with them.
// Channels are named by their headings, computed channels listed with their decimals and
// expressions. Settings from outside the page, whatever they hold, go through the checks that
// typed ones do; what fails is left out with a note. No DOM here, so that Node tests it.
import { ChannelError, checkedChannel } from "./channels.js";
import { readLag } from "./correction.js";
import { ExpressionError, bindChannels, parseExpression } from "./expression.js";
import { readShift } from "./runs.js";
import { CellsError, MOST_MINIMUM, STATISTICS, parseCells, readMinimum } from "./table.js";

const FIELDS = ["view", "x", "y", "values", "statistic", "xCells", "yCells", "minimum", "filter", "across", "up",
  "colour", "run", "align", "measured", "target", "lag"];
// The fields that hold numbers in the page's decimal mark.
const NUMBER_FIELDS = ["xCells", "yCells", "minimum", "lag"];
const VIEWS = ["strips", "table", "scatter"];
// The first line of a setup file.
const SETUP_HEADING = "Quillet page setup";

export function settingsText(settings) {
  const fields = new URLSearchParams();
  for (const key of FIELDS) {
    if (settings[key] !== undefined && settings[key] !== null) fields.set(key, settings[key]);
  }
  if (settings.channels?.length) {
    fields.set("channels", JSON.stringify(settings.channels.map(({ heading, decimals, expression }) =>
      [heading, decimals, expression])));
  }
  if (settings.shifts?.length) fields.set("shifts", JSON.stringify(settings.shifts));
  return fields.toString();
}

const isTexts = (list) => Array.isArray(list) && list.every((text) => typeof text === "string");

// Computed channels as [heading, decimals, expression] lists, those of another shape left out.
function channelList(list) {
  return Array.isArray(list) ? list.filter((channel) => Array.isArray(channel) && typeof channel[0] === "string" &&
    Number.isInteger(channel[1]) && typeof channel[2] === "string")
    .map(([heading, decimals, expression]) => ({ heading, decimals, expression })) : [];
}

function parsedOr(text, otherwise) {
  try {
    return JSON.parse(text);
  } catch {
    return otherwise;
  }
}

// The settings a fragment holds; what it does not hold, or holds spoilt, is left out.
export function readSettings(fragment) {
  const fields = new URLSearchParams(fragment.replace(/^#/, ""));
  const settings = {};
  for (const key of FIELDS) {
    if (fields.has(key)) settings[key] = fields.get(key);
  }
  settings.channels = channelList(parsedOr(fields.get("channels") ?? "[]", []));
  const shifts = parsedOr(fields.get("shifts") ?? "[]", []);
  if (isTexts(shifts) && shifts.length > 0) settings.shifts = shifts;
  return settings;
}

// A setup file's text: its heading line, then the settings as JSON, the page's decimal mark with
// them so that another page reads its numbers in its own.
export function setupText(settings, decimalMark) {
  const { channels = [], ...fields } = settings;
  const written = { decimalMark, ...fields, channels: channels.map(({ heading, decimals, expression }) => ({ name: heading, decimals, expression })) };
  return `${SETUP_HEADING}\n${JSON.stringify(written, null, 2)}\n`;
}

export class SetupError extends Error {}

// The settings a setup file holds, its numbers in the decimal mark given; a file that is no
// setup throws a SetupError.
export function readSetup(text, decimalMark) {
  const [heading, ...rest] = text.replace(/^\uFEFF/, "").split(/\r?\n/);
  const data = heading.trim() === SETUP_HEADING ? parsedOr(rest.join("\n"), null) : null;
  if (data === null || typeof data !== "object" || Array.isArray(data)) throw new SetupError("it is no page setup");
  const remark = (text) => (typeof data.decimalMark === "string" && data.decimalMark !== decimalMark
    ? text.replaceAll(data.decimalMark, decimalMark) : text);
  const settings = {};
  for (const key of FIELDS) {
    if (typeof data[key] === "string") settings[key] = NUMBER_FIELDS.includes(key) ? remark(data[key]) : data[key];
  }
  settings.channels = channelList(Array.isArray(data.channels)
    ? data.channels.map((channel) => [channel?.name, channel?.decimals, channel?.expression]) : []);
  if (isTexts(data.shifts) && data.shifts.length > 0) settings.shifts = data.shifts.map(remark);
  return settings;
}

// The settings that pass the checks a typed setting passes, and a note for each that does not:
// {label, reason}. `page` says what the page has: headings of its channels with values, those
// of channels without, its decimal mark and separator, and its number of runs. Computed
// channels are checked in order, each against the channels before it.
export function checkedSettings(raw, page) {
  const notes = [];
  const checked = { channels: [] };
  const valued = [...page.headings];
  const taken = [...page.headings, ...page.unvalued];
  const leaveOut = (label, reason) => notes.push({ label, reason });
  const expressionError = (text) => {
    try {
      bindChannels(parseExpression(text), (heading) => (valued.includes(heading) ? { keys: [], numbers: [] }
        : taken.includes(heading) ? `${heading} has no values: the channel table does not know it` : `no channel is headed "${heading}"`));
      return null;
    } catch (error) {
      if (error instanceof ExpressionError) return error.message;
      throw error;
    }
  };
  for (const channel of raw.channels ?? []) {
    let definition;
    try {
      definition = checkedChannel(channel, taken);
    } catch (error) {
      if (!(error instanceof ChannelError)) throw error;
      leaveOut(`the computed channel ${visibleName(channel.heading)}`, error.message);
      continue;
    }
    const wrong = expressionError(definition.expression);
    if (wrong) {
      leaveOut(`the computed channel ${definition.heading}`, wrong);
      continue;
    }
    checked.channels.push(definition);
    valued.push(definition.heading);
    taken.push(definition.heading);
  }
  const choices = [["x", "X axis"], ["y", "Y axis"], ["values", "Values"], ["across", "Across"], ["up", "Up"], ["colour", "Colour"]];
  for (const [key, label] of choices) {
    const heading = raw[key];
    if (heading === undefined) continue;
    if (valued.includes(heading) || (key === "colour" && heading === "")) checked[key] = heading;
    else leaveOut(`${label} ${visibleName(heading)}`, `There is no channel with values headed ${visibleName(heading)}.`);
  }
  const check = (key, label, holds, reason) => {
    if (raw[key] === undefined) return;
    if (holds(raw[key])) checked[key] = raw[key];
    else leaveOut(label, typeof reason === "function" ? reason(raw[key]) : reason);
  };
  check("view", "the view", (view) => VIEWS.includes(view), (view) => `There is no view ${visibleName(view)}.`);
  check("statistic", "the statistic", (statistic) => STATISTICS.includes(statistic), (statistic) => `There is no statistic ${visibleName(statistic)}.`);
  check("minimum", "Minimum samples", (minimum) => readMinimum(minimum) !== null, `Give a whole number from 1 to ${MOST_MINIMUM}.`);
  for (const [key, label] of [["xCells", "the X cells"], ["yCells", "the Y cells"]]) {
    check(key, label, (text) => cellsError(text, page) === null, (text) => cellsError(text, page));
  }
  check("run", "the run", (run) => runChoices(page.runs).includes(run), (run) => `The page has no run ${visibleName(run)}.`);
  for (const [key, label] of [["filter", "the filter"], ["align", "the alignment"], ["measured", "the table's Measured"], ["target", "the table's Target"]]) {
    check(key, label, (text) => expressionError(text) === null, (text) => expressionError(text));
  }
  check("lag", "the table's Lag", (text) => lagError(text, page.decimalMark) === null, (text) => lagError(text, page.decimalMark));
  if (raw.shifts) {
    const wrong = raw.shifts.find((text) => shiftError(text, page.decimalMark));
    if (wrong === undefined) checked.shifts = raw.shifts;
    else leaveOut("the shifts", shiftError(wrong, page.decimalMark));
  }
  return { settings: checked, notes };
}

// A name from outside the page as a note shows it: in quotes, what cannot be seen as \u{…}, and
// cut short after MOST_SHOWN characters.
const MOST_SHOWN = 40;
export function visibleName(name) {
  const characters = [...name];
  const shown = characters.slice(0, MOST_SHOWN).join("")
    .replace(/[^\P{Z}\u0020]|[\p{Cc}\p{Cf}]/gu, (character) => `\\u{${character.codePointAt(0).toString(16).toUpperCase()}}`);
  return `"${shown}${characters.length > MOST_SHOWN ? "\u2026" : ""}"`;
}

function cellsError(text, page) {
  try {
    parseCells(text, page.decimalMark, page.separator);
    return null;
  } catch (error) {
    if (error instanceof CellsError) return `${error.message}.`;
    throw error;
  }
}

// Why a number typed in the page's decimal mark cannot be read by `read`, or null.
function rangeError(read, text, decimalMark) {
  try {
    read(text, decimalMark);
    return null;
  } catch (error) {
    if (error instanceof RangeError) return `${error.message}.`;
    throw error;
  }
}

const shiftError = (text, decimalMark) => rangeError(readShift, text, decimalMark);
const lagError = (text, decimalMark) => rangeError(readLag, text, decimalMark);

// The table's choices of runs on a page of `count`: each run by its number from 0, and each later
// one minus the first, as "1-0".
export function runChoices(count) {
  const choices = Array.from({ length: count }, (_, run) => String(run));
  for (let run = 1; run < count; run++) choices.push(`${run}-0`);
  return choices;
}
