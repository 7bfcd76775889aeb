// The table view's glue: its controls, a run's table or the difference of a later run's and the
// first's, the correction's measured value, target and lag with each run's corrections worked
// out once for them, the cell chosen with its samples marked on the strips, the clipboard and
// the download.
import { defaultChoices } from "./channels.js";
import { readLag, sampleCorrections } from "./correction.js";
import { offerDownload } from "./download.js";
import { channelsOf, evaluateExpression } from "./expression.js";
import { combinedRange, sampleNumbers, secondsText } from "./log_data.js";
import { pageTimeOf } from "./runs.js";
import { runChoices } from "./settings.js";
import {
  CORRECTION, CellsError, MOST_MINIMUM, TABLE_SCALE, cellsText, computeTable, countsText, defaultCells, differenceTable,
  parseCells, readMinimum, renderLegend, renderTable, statisticCaption, tableText,
} from "./table.js";

const MOST_COLUMNS = 16;
const MOST_ROWS = 12;

// Orders {run, sample} pairs by run, then sample.
const compareSamples = (a, b) => a.run - b.run || a.sample - b.sample;

export class TableView {
  constructor(context) {
    this.context = context;
    const { byId } = context;
    this.run = byId("table-run");
    this.x = byId("table-x");
    this.y = byId("table-y");
    this.values = byId("table-values");
    this.statistic = byId("table-statistic");
    this.minimumBox = byId("table-minimum");
    this.map = byId("map");
    this.status = byId("table-status");
    this.caption = byId("table-caption");
    this.cellBoxes = {
      x: { box: byId("table-x-cells"), error: byId("table-x-cells-error"), select: this.x, most: MOST_COLUMNS },
      y: { box: byId("table-y-cells"), error: byId("table-y-cells-error"), select: this.y, most: MOST_ROWS },
    };
    // The correction's expressions, each with its last valid text ("" for none yet), and its lag
    // in hundredths.
    this.correction = {
      measured: { box: byId("table-measured"), error: byId("table-measured-error"), text: "", label: "the table's Measured" },
      target: { box: byId("table-target"), error: byId("table-target-error"), text: "", label: "the table's Target" },
    };
    this.lagBox = byId("table-lag");
    this.lag = 0;
    // Per run, its corrections and what they come from, as correctionsOf keeps them.
    this.corrections = new WeakMap();
    // The last valid cells and minimum, the chosen cell, the table shown, and the samples of its
    // chosen cell as {run, sample} in run and file order.
    this.cells = { x: null, y: null };
    this.minimum = 1;
    this.chosen = null;
    this.table = null;
    this.tables = [];
    this.cellSamples = [];
    this.listen();
  }

  listen() {
    const { byId } = this.context;
    this.x.addEventListener("change", () => this.change("x"));
    this.y.addEventListener("change", () => this.change("y"));
    for (const select of [this.run, this.values, this.statistic]) select.addEventListener("change", () => this.change(null));
    for (const expression of Object.values(this.correction)) {
      expression.box.addEventListener("change", () => {
        if (this.readExpression(expression)) this.change(null);
      });
    }
    this.lagBox.addEventListener("change", () => {
      if (this.readLag()) this.change(null);
    });
    this.minimumBox.addEventListener("change", () => {
      if (this.readMinimum()) this.change(null);
    });
    for (const axis of ["x", "y"]) {
      this.cellBoxes[axis].box.addEventListener("change", () => {
        if (!this.readCells(axis)) return;
        this.forgetChosenCell();
        this.change(null);
      });
    }
    byId("table-controls").addEventListener("submit", (event) => event.preventDefault());
    this.map.addEventListener("click", (event) => {
      const cell = event.target.closest("td");
      if (cell) this.chooseCell(Number(cell.dataset.row), Number(cell.dataset.column));
    });
    this.map.addEventListener("keydown", (event) => this.keyInTable(event));
    byId("copy-table").addEventListener("click", () => this.copy());
    byId("save-table").addEventListener("click", () => this.save());
  }

  // The Run choice: shown for several runs, each by its name and each later one minus the first.
  setRuns() {
    const { runs } = this.context;
    const chosen = this.run.value;
    const name = (choice) => {
      const [later, first] = choice.split("-").map(Number);
      return first === undefined ? runs[later].name : `${runs[later].name} \u2212 ${runs[first].name}`;
    };
    this.run.replaceChildren(...runChoices(runs.length).map((choice) => new Option(name(choice), choice)));
    this.run.value = runChoices(runs.length).includes(chosen) ? chosen : "0";
    this.context.byId("table-run-control").hidden = runs.length < 2;
  }

  chooseDefaults() {
    const { x, y, values } = defaultChoices(this.context.channels());
    this.x.value = x;
    this.y.value = y;
    this.values.value = values;
    this.resetCells("x");
    this.resetCells("y");
  }

  // Takes checked settings: those the page's address or a setup give.
  restore(settings) {
    for (const [select, key] of [[this.run, "run"], [this.x, "x"], [this.y, "y"], [this.values, "values"], [this.statistic, "statistic"]]) {
      if (settings[key] !== undefined) select.value = settings[key];
    }
    for (const [key, expression] of Object.entries(this.correction)) {
      expression.text = "";
      expression.box.value = settings[key] ?? "";
      this.readExpression(expression);
    }
    this.lag = 0;
    this.lagBox.value = settings.lag ?? "0";
    this.readLag();
    for (const axis of ["x", "y"]) {
      this.resetCells(axis);
      const saved = settings[`${axis}Cells`];
      if (saved === undefined) continue;
      this.cellBoxes[axis].box.value = saved;
      this.readCells(axis);
    }
    this.minimumBox.value = settings.minimum ?? "1";
    this.readMinimum();
    this.forgetChosenCell();
  }

  settings() {
    return {
      run: this.context.runs.length > 1 ? this.run.value : null,
      x: this.x.value, y: this.y.value, values: this.values.value, statistic: this.statistic.value,
      xCells: cellsText(this.cells.x, this.context.mark), yCells: cellsText(this.cells.y, this.context.mark), minimum: String(this.minimum),
      measured: this.correction.measured.text || null, target: this.correction.target.text || null,
      lag: this.lag === 0 ? null : secondsText(this.lag, this.context.mark),
    };
  }

  // The correction's expressions as the page's other settings that read channels: each with its
  // box, its last valid text and its label.
  expressions() {
    return Object.values(this.correction);
  }

  // Takes the expression its box holds, if every run can read it: "" for none. A mistake is shown
  // under the box, and the table keeps the last valid expression.
  readExpression(expression) {
    const text = expression.box.value.trim();
    const mistake = text === "" ? null : this.context.mistakeIn(text);
    if (mistake) {
      expression.error.textContent = `${mistake}. The table keeps ${expression.text || "none"}.`;
      return false;
    }
    expression.error.textContent = "";
    expression.text = text;
    return true;
  }

  readLag() {
    const { byId, mark } = this.context;
    try {
      this.lag = readLag(this.lagBox.value, mark);
    } catch (error) {
      if (!(error instanceof RangeError)) throw error;
      byId("table-lag-error").textContent = `${error.message}. The table keeps ${secondsText(this.lag, mark)}.`;
      return false;
    }
    byId("table-lag-error").textContent = "";
    return true;
  }

  isCorrection() {
    return this.statistic.value === CORRECTION;
  }

  // A run's corrections as a channel of one value per sample. The measured values, the targets
  // and the corrections are each worked out again only when what they come from changed (an
  // expression, a channel it reads, the lag), into the arrays the run keeps for them.
  correctionsOf(run) {
    const { expressionTree, page } = this.context;
    const { count, times } = run.log;
    if (!this.corrections.has(run)) this.corrections.set(run, { measured: {}, target: {}, lag: null, numbers: undefined });
    const kept = this.corrections.get(run);
    let changed = kept.lag !== this.lag;
    for (const key of ["measured", "target"]) {
      const { text } = this.correction[key];
      const tree = expressionTree(run, text);
      const channels = channelsOf(tree);
      const known = kept[key];
      if (known.text === text && known.channels.length === channels.length && known.channels.every((channel, at) => channel === channels[at])) {
        continue;
      }
      Object.assign(known, { text, channels, values: evaluateExpression(tree, count, known.values) });
      changed = true;
    }
    if (changed) {
      kept.lag = this.lag;
      kept.numbers = sampleCorrections(times, kept.measured.values, kept.target.values, this.lag, page.quietSpell, kept.numbers);
    }
    return { keys: sampleNumbers(run.log), numbers: kept.numbers, decimals: 0 };
  }

  // The runs the table is of: one, or a later one and the first.
  chosenRuns() {
    return this.run.value.split("-").map(Number);
  }

  channelOf(select, run = this.context.runs[this.chosenRuns()[0]]) {
    return select.value === "" ? null : this.context.page.channelIn(run, select.value);
  }

  // Cells over the range of every run's values.
  defaultCellsOf(axis) {
    const { runs, page } = this.context;
    const heading = this.cellBoxes[axis].select.value;
    const range = combinedRange(runs.map((run) => page.channelIn(run, heading)));
    if (!range) return { centres: [0], decimals: 0 };
    return defaultCells(range[0], range[1], page.channelIn(runs[0], heading)?.decimals ?? 0, this.cellBoxes[axis].most);
  }

  resetCells(axis) {
    this.cells[axis] = this.defaultCellsOf(axis);
    this.cellBoxes[axis].box.value = cellsText(this.cells[axis], this.context.mark);
    this.cellBoxes[axis].error.textContent = "";
  }

  readCells(axis) {
    const { box, error } = this.cellBoxes[axis];
    const { mark, page } = this.context;
    try {
      this.cells[axis] = parseCells(box.value, mark, page.separator);
      error.textContent = "";
      return true;
    } catch (mistake) {
      if (!(mistake instanceof CellsError)) throw mistake;
      error.textContent = `${mistake.message}. The table keeps ${cellsText(this.cells[axis], mark)}.`;
      return false;
    }
  }

  readMinimum() {
    const minimum = readMinimum(this.minimumBox.value);
    this.context.byId("table-minimum-error").textContent = minimum === null
      ? `Give a whole number from 1 to ${MOST_MINIMUM}. The table keeps ${this.minimum}.` : "";
    if (minimum !== null) this.minimum = minimum;
    return minimum !== null;
  }

  change(axis) {
    if (axis) {
      this.resetCells(axis);
      this.forgetChosenCell();
    }
    if (!this.chosen) this.context.strips.setMarks(null);
    this.show();
    this.context.saveSettings();
  }

  // The table of one run, listing the samples of `chosen` (a cell's number, or -1).
  tableOf(index, chosen) {
    const { runs, view } = this.context;
    const run = runs[index];
    const [x, y] = [this.x, this.y].map((select) => this.channelOf(select, run));
    const values = this.isCorrection() ? this.correctionsOf(run) : this.channelOf(this.values, run);
    const { start, end } = view();
    return computeTable({
      x, y, values, xCells: this.cells.x, yCells: this.cells.y, statistic: this.statistic.value, minimum: this.minimum,
      times: run.log.times, start: start + run.offset, end: end + run.offset, kept: run.kept, chosen,
    });
  }

  // Nothing in the table, and why.
  showNone(why) {
    this.caption.textContent = why;
    this.table = null;
    this.map.replaceChildren();
    renderLegend(this.context.byId("table-legend"), null);
  }

  show() {
    const { runs, labelOf, samplesText, samplesShownText, mark, strips, byId } = this.context;
    const chosenRuns = this.chosenRuns();
    const correction = this.isCorrection();
    byId("table-correction").hidden = !correction;
    byId("table-values-control").hidden = correction;
    if (![this.x, this.y, this.values].every((select) => this.channelOf(select))) {
      this.showNone("The log has no channel with values.");
      return;
    }
    const { measured, target } = this.correction;
    if (correction && (measured.text === "" || target.text === "")) {
      this.showNone("Give the measured air-fuel ratio or lambda as Measured (say [O2] * 2 + 10 for a wideband sensor's " +
        "linear output on O2), the ratio wanted as Target (say 14.7), and how long the sensor trails the engine as Lag.");
      return;
    }
    const chosen = this.chosen ? this.chosen.row * this.cells.x.centres.length + this.chosen.column : -1;
    const tables = chosenRuns.map((index) => this.tableOf(index, chosen));
    this.table = tables.length === 1 ? tables[0] : differenceTable(tables[0], tables[1]);
    this.cellSamples = tables.flatMap((table, at) => table.chosenSamples.map((sample) => ({ run: chosenRuns[at], sample })))
      .sort(compareSamples);
    const what = statisticCaption(this.statistic.value, {
      values: labelOf(this.values.value), measured: measured.text, target: target.text, lag: this.lag === 0 ? "" : secondsText(this.lag, mark),
    });
    const names = chosenRuns.map((index) => runs[index].name);
    const of = tables.length > 1 ? ` of ${names[0]} minus that of ${names[1]}` : runs.length > 1 ? ` of ${names[0]}` : "";
    const minimum = this.minimum > 1 ? ` Cells with fewer than ${samplesText(this.minimum)}${tables.length > 1 ? " in either run" : ""} are empty.` : "";
    this.caption.textContent = `${what} in each cell${of}. ${samplesShownText(chosenRuns)}${minimum}`;
    this.tables = tables;
    const countText = (cell) => (tables.length > 1
      ? tables.map((table, at) => `${table.counts[cell]} of ${names[at]}`).join(", ") : samplesText(tables[0].counts[cell]));
    const range = renderTable(this.map, this.table, { x: labelOf(this.x.value), y: labelOf(this.y.value) }, mark, countText);
    renderLegend(byId("table-legend"), range, this.table.decimals, mark, TABLE_SCALE, this.table.signed);
    const focusable = this.chosen ? this.cellElement(this.chosen.row, this.chosen.column) : this.map.querySelector("td");
    if (focusable) focusable.tabIndex = 0;
    if (this.chosen) {
      this.cellElement(this.chosen.row, this.chosen.column)?.classList.add("chosen");
      strips.setMarks(this.cellSamples.map(({ run, sample }) => pageTimeOf(runs[run], sample)));
      this.showChosenStatus();
    } else {
      this.status.textContent = "";
    }
  }

  cellElement(row, column) {
    return this.map.querySelector(`td[data-row="${row}"][data-column="${column}"]`);
  }

  showChosenStatus() {
    const { runs, samplesText, mark, cursor } = this.context;
    const samples = this.cellSamples;
    const here = cursor();
    const at = here ? samples.findIndex((entry) => compareSamples(entry, here) === 0) : -1;
    const { row, column } = this.chosen;
    const chosenRuns = this.chosenRuns();
    const counts = chosenRuns.length > 1
      ? `${chosenRuns.map((index) => `${samples.filter((entry) => entry.run === index).length} of ${runs[index].name}`).join(", ")}`
      : samplesText(samples.length);
    this.status.textContent = `Cell ${this.x.value} ${cellsText(this.cells.x, mark).split(" ")[column]}, ` +
      `${this.y.value} ${cellsText(this.cells.y, mark).split(" ")[row]}: ${counts}` +
      (at >= 0 ? `; the cursor is at ${at + 1} of ${samples.length}.` : ".");
  }

  chooseCell(row, column) {
    this.chosen = { row, column };
    this.show();
    if (this.cellSamples.length > 0) this.context.moveCursorTo(this.cellSamples[0], true);
    this.showChosenStatus();
    this.cellElement(row, column)?.focus();
  }

  forgetChosenCell() {
    if (!this.chosen) return;
    this.chosen = null;
    this.context.strips.setMarks(null);
  }

  // Steps the cursor to the chosen cell's next (or previous) sample, by run and file order.
  stepInCell(direction) {
    const samples = this.cellSamples;
    const here = this.context.cursor();
    if (!this.chosen || samples.length === 0 || !here) return;
    const after = samples.findIndex((entry) => compareSamples(entry, here) >= (direction > 0 ? 1 : 0));
    const next = direction > 0 ? samples[after < 0 ? samples.length - 1 : after]
      : samples[Math.max((after < 0 ? samples.length : after) - 1, 0)];
    this.context.moveCursorTo(next, true);
    this.showChosenStatus();
  }

  keyInTable(event) {
    const cell = event.target.closest("td");
    if (!cell || event.ctrlKey || event.altKey || event.metaKey) return;
    const row = Number(cell.dataset.row);
    const column = Number(cell.dataset.column);
    const { columns, rows } = this.table;
    const moves = { ArrowLeft: [0, -1], ArrowRight: [0, 1], ArrowUp: [-1, 0], ArrowDown: [1, 0] };
    if (moves[event.key]) {
      const [down, across] = moves[event.key];
      const next = this.cellElement(Math.min(Math.max(row + down, 0), rows - 1), Math.min(Math.max(column + across, 0), columns - 1));
      cell.tabIndex = -1;
      next.tabIndex = 0;
      next.focus();
    } else if (event.key === "Enter" || event.key === " ") {
      this.chooseCell(row, column);
    } else {
      return;
    }
    event.preventDefault();
    event.stopPropagation();
  }

  // The table as text; the correction's with the number of samples of each cell of each run after
  // it, so that a tuner sees which cells to trust.
  async copy() {
    if (!this.table) return;
    const { mark, runs } = this.context;
    const names = this.chosenRuns().map((index) => (runs.length > 1 ? `samples of ${runs[index].name}` : "samples"));
    const counts = this.isCorrection() ? countsText(this.tables, names, "\t", mark) : "";
    try {
      await navigator.clipboard.writeText(tableText(this.table, "\t", mark) + counts);
      this.status.textContent = "The table is on the clipboard.";
    } catch (error) {
      this.status.textContent = `The browser did not let the page copy (${error.message}); select the table and copy it.`;
    }
  }

  save() {
    if (!this.table) return;
    const { runs, page, mark } = this.context;
    const stem = (index) => runs[index].name.replace(/\.pdb$/i, "");
    const what = this.isCorrection() ? "correction" : `${this.values.value} ${this.statistic.value}`;
    offerDownload(`${this.chosenRuns().map(stem).join(" - ")} ${what}.csv`, tableText(this.table, page.separator, mark), "text/csv");
  }
}
