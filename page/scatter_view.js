// The scatter view's glue: its channel choices, every run's kept samples of the strips' view, and
// a key of the runs' colours or shapes.
import { defaultChoices } from "./channels.js";
import { combinedRange } from "./log_data.js";
import { DOT_SCALE, RUN_COLOURS, SHAPES, ScatterPlot, plotRange } from "./scatter.js";
import { renderLegend } from "./table.js";

export class ScatterView {
  constructor(context) {
    this.context = context;
    const { byId } = context;
    this.x = byId("scatter-x");
    this.y = byId("scatter-y");
    this.colour = byId("scatter-colour");
    this.plot = null;
    for (const select of [this.x, this.y, this.colour]) {
      select.addEventListener("change", () => {
        this.show();
        context.saveSettings();
      });
    }
    byId("scatter-controls").addEventListener("submit", (event) => event.preventDefault());
  }

  height() {
    return Math.max(240, Math.min(480, Math.round(window.innerHeight * 0.45)));
  }

  // Runs differ by colour, or by shape where a channel colours the dots: the key says which.
  setRuns() {
    const { runs, byId } = this.context;
    const key = byId("scatter-runs");
    key.hidden = runs.length < 2;
    key.replaceChildren(...runs.map((run, index) => {
      const entry = document.createElement("span");
      entry.className = "run-key";
      const mark = document.createElement("canvas");
      mark.className = "run-mark";
      mark.width = 10;
      mark.height = 10;
      entry.append(mark, run.name);
      return entry;
    }));
    this.drawKey();
  }

  drawKey() {
    const shaped = this.colour.value !== "";
    this.context.byId("scatter-runs").querySelectorAll("canvas").forEach((canvas, index) => {
      const context2d = canvas.getContext("2d");
      context2d.clearRect(0, 0, 10, 10);
      context2d.fillStyle = shaped ? "#3c4043" : `rgb(${RUN_COLOURS[index].join(", ")})`;
      SHAPES[shaped ? index : 0].forEach((row, y) => [...row].forEach((cell, x) => {
        if (cell === "#") context2d.fillRect(x * 2, y * 2, 2, 2);
      }));
    });
  }

  chooseDefaults() {
    const { x, y, values } = defaultChoices(this.context.channels());
    this.x.value = x;
    this.y.value = y;
    this.colour.value = values;
  }

  restore(settings) {
    for (const [select, key] of [[this.x, "across"], [this.y, "up"], [this.colour, "colour"]]) {
      if (settings[key] !== undefined) select.value = settings[key];
    }
  }

  settings() {
    return { across: this.x.value, up: this.y.value, colour: this.colour.value };
  }

  layOut() {
    this.plot?.setSize(this.context.byId("scatter-plot").clientWidth, this.height());
  }

  show() {
    const { runs, page, byId, labelOf, mark, view, samplesShownText } = this.context;
    const [x, y, colour] = [this.x, this.y, this.colour].map((select) => (select.value === "" ? null : select.value));
    const channelsOf = (heading) => runs.map((run) => (heading ? page.channelIn(run, heading) : null));
    const [xs, ys, colours] = [x, y, colour].map(channelsOf);
    if (!xs[0]?.numbers || !ys[0]?.numbers) {
      byId("scatter-caption").textContent = "The log has no channel with values.";
      return;
    }
    this.plot ??= new ScatterPlot(byId("scatter-plot"), this.height(), mark);
    const colourRange = colour ? combinedRange(colours) : null;
    const { start, end } = view();
    this.plot.draw({
      x: { heading: x, decimals: xs[0].decimals },
      y: { heading: y, decimals: ys[0].decimals },
      colour,
      xRange: plotRange(combinedRange(xs) ?? [0, 1], xs[0].decimals),
      yRange: plotRange(combinedRange(ys) ?? [0, 1], ys[0].decimals),
      colourRange,
      runs: runs.map((run, index) => ({
        x: xs[index], y: ys[index], colour: colours[index], times: run.log.times, start: start + run.offset, end: end + run.offset, kept: run.kept,
      })),
    });
    this.plot.placeCursor(this.context.cursor());
    byId("scatter-caption").textContent = `${labelOf(y)} up, ${labelOf(x)} across${colour ? `, coloured by ${labelOf(colour)}` : ""}. ` +
      samplesShownText(runs.map((run, index) => index));
    renderLegend(byId("scatter-legend"), colourRange, colours[0]?.decimals ?? 0, mark, DOT_SCALE);
    this.drawKey();
  }

  placeCursor(cursor) {
    this.plot?.placeCursor(cursor);
  }

  // The labels each axis shows, across and up.
  labels() {
    const u = this.plot?.u;
    return u && { x: u.axes[0]._values ?? [], y: u.axes[1]._values ?? [] };
  }

  scales() {
    const u = this.plot?.u;
    return u && { x: { min: u.scales.x.min, max: u.scales.x.max }, y: { min: u.scales.y.min, max: u.scales.y.max } };
  }
}
