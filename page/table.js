// The table of a log's map: X cells across and Y cells down, each a statistic of the samples
// that fell in it (the mean, smallest or largest value of a channel, their count, or the mean
// correction of fuel), as a tuner's ECU reads its map; and the difference of two runs' tables.
// The counting and the texts are plain functions that Node tests; renderTable builds the HTML
// table in the page's document.
import { roundedUnits } from "./log_data.js";

export const CORRECTION = "correction %";

// What each statistic reads of a sample (`read` gives the keys of each sample, in file order, and
// the units of its value at a key, NaN where it has none), how its cells' units come from the
// samples that fell in them, in its decimals, and how a caption names it (of `about`: the values'
// label, and for the correction its measured value, target and lag as texts). Every table, and
// the difference of two, is its cells' units in the statistic's decimals, NaN for an empty cell;
// a signed statistic writes a plus before a positive value and colours on a scale centred on 0.
const STATISTIC_LIST = [
  {
    name: "mean",
    read: unitsAtKeys,
    caption: ({ values }) => `The mean of ${values}`,
    decimals: (valueDecimals) => valueDecimals + 1,
    cellUnits: (cells, cell) => meanUnits(cells.sums[cell], cells.counts[cell]),
  },
  {
    name: "smallest",
    read: unitsAtKeys,
    caption: ({ values }) => `The smallest value of ${values}`,
    decimals: (valueDecimals) => valueDecimals,
    cellUnits: (cells, cell) => cells.lows[cell],
  },
  {
    name: "largest",
    read: unitsAtKeys,
    caption: ({ values }) => `The largest value of ${values}`,
    decimals: (valueDecimals) => valueDecimals,
    cellUnits: (cells, cell) => cells.highs[cell],
  },
  {
    name: "samples",
    read: unitsAtKeys,
    caption: () => "The number of samples",
    decimals: () => 0,
    // A sample counts whether or not the values channel has a value there.
    counting: true,
    cellUnits: (cells, cell) => cells.counts[cell],
  },
  {
    name: CORRECTION,
    // The values are each sample's correction in per cent (see correction.js), keyed by sample.
    read: (values) => ({ keys: values.keys, units: values.numbers }),
    caption: ({ measured, target, lag }) => `The mean correction of fuel in per cent that brings ${measured}` +
      `${lag ? `, read ${lag} s later,` : ""} to ${target}`,
    decimals: () => 1,
    signed: true,
    cellUnits: (cells, cell) => roundedUnits(cells.sums[cell] / cells.counts[cell], 1),
  },
];
export const STATISTICS = STATISTIC_LIST.map((statistic) => statistic.name);
const statisticNamed = (name) => STATISTIC_LIST.find((statistic) => statistic.name === name);

// The caption of a table of the statistic, as `about` names what it is of.
export function statisticCaption(name, about) {
  return statisticNamed(name).caption(about);
}

const MOST_CELLS = 64;
// More samples than a log of a day at a hundred a second holds.
export const MOST_MINIMUM = 10000000;

export class CellsError extends Error {}

// "Minimum samples" as typed: a whole number from 1 to MOST_MINIMUM, or null.
export function readMinimum(text) {
  const trimmed = text.trim();
  return /^\d{1,8}$/.test(trimmed) && Number(trimmed) >= 1 && Number(trimmed) <= MOST_MINIMUM ? Number(trimmed) : null;
}

// Cells are their centre values, ascending, with the decimals the most precise of them has.
// The text holds numbers in the page's decimal mark, apart by spaces or the page's separator.
export function parseCells(text, decimalMark, separator) {
  const splitter = new RegExp(`[\\s${separator === "\t" ? "" : separator.replace(/[\\\]^-]/g, "\\$&")}]+`);
  const words = text.split(splitter).filter((word) => word !== "");
  if (words.length === 0) throw new CellsError("Give the cells' centre values, from the smallest to the largest");
  if (words.length > MOST_CELLS) throw new CellsError(`At most ${MOST_CELLS} cells, not ${words.length}`);
  const mark = decimalMark === "." ? "\\." : decimalMark;
  const number = new RegExp(`^-?(\\d+(${mark}\\d*)?|${mark}\\d+)$`);
  // Numbers typed with the other mark split at a comma separator, or are no numbers.
  const otherMark = decimalMark === "." ? "," : "\\.";
  const hint = new RegExp(`\\d${otherMark}\\d`).test(text) ? `; the decimal mark here is "${decimalMark}"` : "";
  let decimals = 0;
  const centres = words.map((word) => {
    if (!number.test(word)) throw new CellsError(`"${word}" is not a number${hint}`);
    const fraction = word.split(decimalMark)[1] ?? "";
    decimals = Math.max(decimals, fraction.length);
    return Number(word.replace(decimalMark, "."));
  });
  for (let i = 1; i < centres.length; i++) {
    if (!(centres[i] > centres[i - 1])) {
      throw new CellsError(`${words[i]} comes after ${words[i - 1]}: give the centres from the smallest to the largest, each once${hint}`);
    }
  }
  return { centres, decimals };
}

// The cells as their text box shows them.
export function cellsText(cells, decimalMark) {
  return cells.centres.map((centre) => unitsText(Math.round(centre * 10 ** cells.decimals), cells.decimals, decimalMark))
    .join(" ");
}

// Round steps for cells of a channel with `decimals` decimals, finest first.
function roundSteps(decimals) {
  const steps = [];
  for (let power = -decimals; power <= 12; power++) {
    for (const digit of [1, 2, 2.5, 5]) {
      if (digit === 2.5 && power <= -decimals) continue;
      steps.push({ step: digit * 10 ** power, decimals: Math.max(0, -power + (digit === 2.5 ? 1 : 0)) });
    }
  }
  return steps;
}

// At most `most` cells a round step apart from the step's multiple nearest low to the one
// nearest high (values beyond the end cells' centres count in those cells), for the values of a
// channel with `decimals` decimals, the finest step that fits.
export function defaultCells(low, high, decimals, most) {
  for (const { step, decimals: cellDecimals } of roundSteps(decimals)) {
    const first = Math.round(low / step + 1e-9);
    const last = Math.round(high / step + 1e-9);
    if (last - first + 1 <= most) {
      const scale = 10 ** cellDecimals;
      const centres = [];
      for (let k = first; k <= last; k++) centres.push(Math.round(k * step * scale) / scale);
      return { centres, decimals: cellDecimals };
    }
  }
  return { centres: [low], decimals };
}

// The cell a value falls in: the one whose centre is nearest; a value exactly halfway between two
// goes to the higher; a value beyond the first or last centre to that end's cell; no value to
// none (-1). Values have at most valueDecimals decimals and are compared with the centres in
// whole units of the finer decimals, so that halfway is exactly halfway.
export function cellFinder(cells, valueDecimals) {
  const scale = 10 ** Math.max(cells.decimals, valueDecimals);
  const units = cells.centres.map((centre) => Math.round(centre * scale));
  // Twice each border between neighbouring cells, and a value as twice its units.
  const borders = units.slice(1).map((unit, i) => units[i] + unit);
  return (value) => {
    if (value !== value) return -1;
    const twice = 2 * Math.round(value * scale);
    let low = 0;
    let high = borders.length;
    while (low < high) {
      const middle = (low + high) >>> 1;
      if (borders[middle] <= twice) low = middle + 1;
      else high = middle;
    }
    return low;
  };
}

// A channel's values in whole units of its decimals, per key; NaN where it has none.
function unitsOf(channel) {
  const scale = 10 ** channel.decimals;
  channel.units ??= channel.numbers.map((number) => Math.round(number * scale));
  return channel.units;
}

// A sample's value as the values channel holds it at the sample's key.
function unitsAtKeys(values) {
  return { keys: values.keys, units: unitsOf(values) };
}

function cellsOfKeys(channel, cells) {
  const find = cellFinder(cells, channel.decimals);
  return Int32Array.from(channel.numbers, find);
}

// The table of the samples whose time (times, in file order) is within start..end and which
// `kept` keeps (null keeps all), by channels x, y and values. `chosen` is a cell whose samples it
// lists (in file order) as chosenSamples, or -1.
export function computeTable({ x, y, values, xCells, yCells, statistic, minimum, times, start, end, kept, chosen = -1 }) {
  const columns = xCells.centres.length;
  const rows = yCells.centres.length;
  const columnOf = cellsOfKeys(x, xCells);
  const rowOf = cellsOfKeys(y, yCells);
  const how = statisticNamed(statistic);
  const { keys: valueKeys, units } = how.read(values);
  const counts = new Float64Array(rows * columns);
  const sums = new Float64Array(rows * columns);
  const lows = new Float64Array(rows * columns).fill(Infinity);
  const highs = new Float64Array(rows * columns).fill(-Infinity);
  const [xKeys, yKeys] = [x.keys, y.keys];
  const counting = how.counting === true;
  const chosenSamples = [];
  for (let i = 0; i < times.length; i++) {
    const time = times[i];
    if (time < start || time > end || (kept !== null && kept[i] === 0)) continue;
    const column = columnOf[xKeys[i]];
    const row = rowOf[yKeys[i]];
    const unit = units[valueKeys[i]];
    if (column < 0 || row < 0 || (unit !== unit && !counting)) continue;
    const cell = row * columns + column;
    counts[cell]++;
    sums[cell] += unit;
    if (unit < lows[cell]) lows[cell] = unit;
    if (unit > highs[cell]) highs[cell] = unit;
    if (cell === chosen) chosenSamples.push(i);
  }
  const cells = { counts, sums, lows, highs };
  const cellUnits = new Float64Array(rows * columns);
  for (let cell = 0; cell < cellUnits.length; cell++) {
    cellUnits[cell] = counts[cell] === 0 || counts[cell] < minimum ? NaN : how.cellUnits(cells, cell);
  }
  return {
    columns, rows, xCells, yCells, statistic, decimals: how.decimals(values.decimals), counts, units: cellUnits, chosenSamples,
    signed: how.signed === true, centred: how.signed === true,
  };
}

// The later run's table minus the first's, cell by cell, of tables of one statistic over the same
// cells: empty where either is; its colours centre on zero.
export function differenceTable(later, first) {
  return { ...later, units: later.units.map((units, cell) => units - first.units[cell]), chosenSamples: [], centred: true };
}

// The mean of `count` values that sum to `sum` units, in units ten times finer, rounded half to
// even: exactly, since the sum is a whole number.
export function meanUnits(sum, count) {
  const tenfold = 10 * sum;
  let quotient = Math.floor(tenfold / count);
  let remainder = tenfold - quotient * count;
  if (remainder < 0) {
    quotient--;
    remainder += count;
  } else if (remainder >= count) {
    quotient++;
    remainder -= count;
  }
  if (2 * remainder > count || (2 * remainder === count && quotient % 2 !== 0)) quotient++;
  return quotient;
}

// A whole number of units of 10^-decimals as text; signed, with a plus before a positive number.
export function unitsText(units, decimals, decimalMark = ".", signed = false) {
  const scale = 10 ** decimals;
  const magnitude = Math.abs(units);
  const whole = Math.floor(magnitude / scale);
  const sign = units < 0 ? "-" : signed && units > 0 ? "+" : "";
  if (decimals === 0) return `${sign}${whole}`;
  return `${sign}${whole}${decimalMark}${String(magnitude - whole * scale).padStart(decimals, "0")}`;
}

export function cellText(table, cell, decimalMark) {
  const units = table.units[cell];
  return units === units ? unitsText(units, table.decimals, decimalMark, table.signed) : "";
}

// Lines of cells apart by the separator: `corner` and the X cells' centres in the first line, the
// Y cell's centre first in each other line, then each cell's text(cell).
function gridText(table, corner, text, separator, decimalMark) {
  const centres = (cells) => cellsText(cells, decimalMark).split(" ");
  const lines = [[corner, ...centres(table.xCells)]];
  centres(table.yCells).forEach((centre, row) => {
    const line = [centre];
    for (let column = 0; column < table.columns; column++) line.push(text(row * table.columns + column));
    lines.push(line);
  });
  return lines.map((line) => line.join(separator)).join("\r\n") + "\r\n";
}

// The table as lines of cells with the axes' centres.
export function tableText(table, separator, decimalMark) {
  return gridText(table, "", (cell) => cellText(table, cell, decimalMark), separator, decimalMark);
}

// The number of samples in each cell of each table, a block of lines each after an empty line,
// named in its corner as `names` gives: how far each cell's value can be trusted.
export function countsText(tables, names, separator, decimalMark) {
  return tables.map((table, at) => `\r\n${gridText(table, names[at], (cell) => String(table.counts[cell]), separator, decimalMark)}`)
    .join("");
}

// The table's scale, from blue through white to red, pale enough that black text reads on any
// of it; colours are [red, green, blue].
export const TABLE_SCALE = [[108, 155, 210], [247, 247, 247], [228, 115, 95]];

// The colour a share (0 to 1) of the way along a scale.
export function scaleRgb(share, scale) {
  const at = Math.min(Math.max(share, 0), 1) * (scale.length - 1);
  const stop = Math.min(Math.floor(at), scale.length - 2);
  const within = at - stop;
  return scale[stop].map((low, i) => Math.round(low + (scale[stop + 1][i] - low) * within));
}

const cssColour = (rgb) => `rgb(${rgb.join(", ")})`;

// A legend of a scale: the smallest value, the scale, the largest value, signed as a signed
// table's cells.
export function renderLegend(element, range, decimals, decimalMark, scale, signed = false) {
  const document = element.ownerDocument;
  if (!range) {
    element.replaceChildren();
    return;
  }
  const [low, high] = range.map((value) => {
    const label = document.createElement("span");
    label.textContent = unitsText(Math.round(value * 10 ** decimals), decimals, decimalMark, signed);
    return label;
  });
  const ramp = document.createElement("span");
  ramp.className = "ramp";
  ramp.style.background = `linear-gradient(to right, ${scale.map(cssColour).join(", ")})`;
  element.replaceChildren(low, ramp, high);
}

// The range of the table's colour scale, as numbers, or null for an empty table: its smallest and
// largest value, or for a difference as far below zero as above, so that white is no change.
export function tableRange(table) {
  let low = Infinity;
  let high = -Infinity;
  for (const units of table.units) {
    if (units < low) low = units;
    if (units > high) high = units;
  }
  if (low > high) return null;
  const scale = 10 ** table.decimals;
  if (!table.centred) return [low / scale, high / scale];
  const most = Math.max(-low, high) / scale;
  return [-most, most];
}

// Fills the <table> element with the table: the axes' centres in header cells, each value cell
// coloured on the one scale of tableRange, and titled with countText(cell), shown on pointing at
// it. Value cells carry their row and column for the page's keys and clicks.
export function renderTable(element, table, headings, decimalMark, countText) {
  const document = element.ownerDocument;
  const range = tableRange(table);
  const header = (text, scope) => {
    const cell = document.createElement("th");
    cell.scope = scope;
    cell.textContent = text;
    return cell;
  };
  const head = document.createElement("thead");
  const top = head.insertRow();
  const corner = header(`${headings.y} \u2193 ${headings.x} \u2192`, "col");
  corner.className = "corner";
  top.append(corner, ...cellsText(table.xCells, decimalMark).split(" ").map((text) => header(text, "col")));
  const body = document.createElement("tbody");
  const scale = 10 ** table.decimals;
  cellsText(table.yCells, decimalMark).split(" ").forEach((text, row) => {
    const line = body.insertRow();
    line.append(header(text, "row"));
    for (let column = 0; column < table.columns; column++) {
      const cell = document.createElement("td");
      const at = row * table.columns + column;
      cell.textContent = cellText(table, at, decimalMark);
      cell.dataset.row = String(row);
      cell.dataset.column = String(column);
      cell.tabIndex = -1;
      cell.title = countText(at);
      const number = table.units[at] / scale;
      if (number === number) {
        const share = range[1] > range[0] ? (number - range[0]) / (range[1] - range[0]) : 0.5;
        cell.style.background = cssColour(scaleRgb(share, TABLE_SCALE));
      } else {
        cell.className = "empty";
      }
      line.append(cell);
    }
  });
  element.replaceChildren(head, body);
  return range;
}
