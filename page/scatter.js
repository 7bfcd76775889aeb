// The scatter view: every kept sample a dot, one channel across and one up, coloured by a third.
// Samples are counted into a grid of dots first, so that however many share a dot it is drawn
// once; gridDots is a plain function that Node tests, ScatterPlot draws it with uPlot's axes.
import { valueSteps, valueTickText } from "./log_data.js";
import { FONT } from "./strips.js";
import { scaleRgb } from "./table.js";

// Dark enough to read on white at every share, unlike the table's pale scale.
export const DOT_SCALE = [[44, 95, 191], [0, 150, 136], [230, 140, 0], [192, 32, 32]];
const DOT_COLOUR = [31, 95, 191];
const DOT_SIZE = 3;

// The samples (in file order) within start..end of time that `kept` keeps (null: all), counted
// into dots of size × size pixels over a plot width × height pixels that spans the ranges
// [low, high] of x across and y up; dot 0 is the top left one. With a colour channel, each dot
// also sums the colour values of its samples.
export function gridDots({ x, y, colour, times, start, end, kept, xRange, yRange, width, height, size }) {
  const columns = Math.ceil(width / size);
  const rows = Math.ceil(height / size);
  const counts = new Uint32Array(columns * rows);
  const colourSums = colour ? new Float64Array(columns * rows) : null;
  const colourCounts = colour ? new Uint32Array(columns * rows) : null;
  const [xLow, xHigh] = xRange;
  const [yLow, yHigh] = yRange;
  const across = width / (xHigh - xLow);
  const up = height / (yHigh - yLow);
  for (let i = 0; i < times.length; i++) {
    if (times[i] < start || times[i] > end || (kept !== null && kept[i] === 0)) continue;
    const xValue = x.numbers[x.keys[i]];
    const yValue = y.numbers[y.keys[i]];
    if (!(xValue >= xLow && xValue <= xHigh && yValue >= yLow && yValue <= yHigh)) continue;
    const column = Math.min(columns - 1, Math.floor(((xValue - xLow) * across) / size));
    const row = Math.min(rows - 1, Math.floor(((yHigh - yValue) * up) / size));
    const dot = row * columns + column;
    counts[dot]++;
    if (colour) {
      const value = colour.numbers[colour.keys[i]];
      if (value === value) {
        colourSums[dot] += value;
        colourCounts[dot]++;
      }
    }
  }
  return { columns, rows, counts, colourSums, colourCounts };
}

// A channel's range with a little room either side; a constant channel gets a step either side.
export function plotRange([low, high], decimals) {
  if (low === high) return [low - 10 ** -decimals, high + 10 ** -decimals];
  const pad = (high - low) * 0.03;
  return [low - pad, high + pad];
}

function valueAxis(scale, side, decimalsOf, decimalMark) {
  return {
    scale,
    side,
    size: side === 3 ? 60 : 34,
    space: side === 3 ? 24 : 60,
    font: FONT,
    gap: 3,
    ticks: { size: 3 },
    grid: { stroke: "#efefef", width: 1 },
    incrs: (u) => valueSteps(decimalsOf()),
    values: (u, splits, axis, space, step) => splits.map((value) => valueTickText(value, step, decimalMark)),
  };
}

export class ScatterPlot {
  constructor(element, height, decimalMark) {
    this.element = element;
    this.picture = null;
    this.ranges = null;
    const decimals = (axis) => () => this.picture?.[axis]?.decimals ?? 0;
    this.u = new uPlot({
      width: Math.max(element.clientWidth, 200),
      height,
      padding: [10, 20, 0, 0],
      legend: { show: false },
      cursor: {
        x: false,
        y: false,
        points: { show: false },
        drag: { x: true, y: true, uni: 4, setScale: false },
        bind: { dblclick: () => null },
      },
      scales: { x: { time: false, auto: false }, y: { auto: false } },
      axes: [valueAxis("x", 2, decimals("x"), decimalMark), valueAxis("y", 3, decimals("y"), decimalMark)],
      series: [{}, { stroke: "transparent", points: { show: false } }],
      hooks: {
        setSelect: [(u) => this.zoomToSelection(u)],
        draw: [(u) => this.drawDots(u)],
      },
    }, [[0, 1], [null, null]], element);
    this.ring = document.createElement("div");
    this.ring.className = "scatter-cursor";
    this.ring.hidden = true;
    this.u.over.append(this.ring);
    this.cursor = -1;
    this.u.over.addEventListener("dblclick", () => {
      this.ranges = null;
      this.draw(this.picture);
    });
  }

  setSize(width, height) {
    this.u.setSize({ width: Math.max(width, 200), height });
  }

  zoomToSelection(u) {
    const { left, top, width, height } = u.select;
    if (width >= 2 && height >= 2) {
      this.ranges = {
        x: [u.posToVal(left, "x"), u.posToVal(left + width, "x")],
        y: [u.posToVal(top + height, "y"), u.posToVal(top, "y")],
      };
      this.draw(this.picture);
    }
    u.setSelect({ left: 0, top: 0, width: 0, height: 0 }, false);
  }

  // Draws picture: {x, y, colour (or null) channels, xRange, yRange, colourRange, times, start,
  // end, kept}. The ranges a drag chose stay until a double-click or another channel across or up.
  draw(picture) {
    if (picture.x !== this.picture?.x || picture.y !== this.picture?.y) this.ranges = null;
    this.picture = picture;
    const xRange = this.ranges?.x ?? picture.xRange;
    const yRange = this.ranges?.y ?? picture.yRange;
    this.u.batch(() => {
      this.u.setData([xRange, [null, null]], false);
      this.u.setScale("x", { min: xRange[0], max: xRange[1] });
      this.u.setScale("y", { min: yRange[0], max: yRange[1] });
    });
  }

  drawDots(u) {
    const picture = this.picture;
    if (!picture) return;
    const { bbox, ctx } = u;
    const size = Math.max(2, Math.round(DOT_SIZE * uPlot.pxRatio));
    const xRange = [u.scales.x.min, u.scales.x.max];
    const yRange = [u.scales.y.min, u.scales.y.max];
    const grid = gridDots({ ...picture, xRange, yRange, width: bbox.width, height: bbox.height, size });
    const { columns, rows } = grid;
    const image = ctx.createImageData(columns * size, rows * size);
    const pixels = new Uint32Array(image.data.buffer);
    const [colourLow, colourHigh] = picture.colourRange ?? [0, 0];
    const rgba = ([r, g, b]) => (255 << 24) | (b << 16) | (g << 8) | r;
    const plain = rgba(DOT_COLOUR);
    for (let dot = 0; dot < grid.counts.length; dot++) {
      if (grid.counts[dot] === 0) continue;
      let colour = plain;
      if (grid.colourSums) {
        const mean = grid.colourSums[dot] / grid.colourCounts[dot];
        colour = mean === mean
          ? rgba(scaleRgb(colourHigh > colourLow ? (mean - colourLow) / (colourHigh - colourLow) : 0.5, DOT_SCALE))
          : rgba([150, 150, 150]);
      }
      // A dot spreads a pixel beyond its square, so that a lone sample shows.
      const left = Math.max(0, (dot % columns) * size - 1);
      const right = Math.min(columns * size, (dot % columns + 1) * size + 1);
      const top = Math.max(0, Math.floor(dot / columns) * size - 1);
      const bottom = Math.min(rows * size, (Math.floor(dot / columns) + 1) * size + 1);
      for (let line = top; line < bottom; line++) pixels.fill(colour, line * columns * size + left, line * columns * size + right);
    }
    const offscreen = document.createElement("canvas");
    offscreen.width = image.width;
    offscreen.height = image.height;
    offscreen.getContext("2d").putImageData(image, 0, 0);
    ctx.drawImage(offscreen, 0, 0, bbox.width, bbox.height, bbox.left, bbox.top, bbox.width, bbox.height);
    this.placeCursor(this.cursor);
  }

  // A ring around the cursor's sample (a sample in file order, or -1), where it is in the plot.
  placeCursor(sample) {
    this.cursor = sample;
    const u = this.u;
    const { x, y } = this.picture ?? {};
    const across = sample >= 0 && x ? x.numbers[x.keys[sample]] : NaN;
    const up = sample >= 0 && y ? y.numbers[y.keys[sample]] : NaN;
    const inside = across >= u.scales.x.min && across <= u.scales.x.max && up >= u.scales.y.min && up <= u.scales.y.max;
    this.ring.hidden = !inside;
    if (inside) {
      this.ring.style.left = `${u.valToPos(across, "x")}px`;
      this.ring.style.top = `${u.valToPos(up, "y")}px`;
    }
  }
}
