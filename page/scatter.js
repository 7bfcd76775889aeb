// The scatter view: every kept sample of every run a dot, one channel across and one up, each run
// in a colour of its own, or coloured by a third channel and each run in a shape of its own.
// Samples are counted into a grid of dots first, so that however many share a dot it is drawn
// once; gridDots is a plain function that Node tests, ScatterPlot draws it with uPlot's axes.
import { valueSteps, valueTickText } from "./log_data.js";
import { FONT } from "./strips.js";
import { scaleRgb } from "./table.js";

// Dark enough to read on white at every share, unlike the table's pale scale.
export const DOT_SCALE = [[44, 95, 191], [0, 150, 136], [230, 140, 0], [192, 32, 32]];
// Each run's colour where no channel colours the dots, the reference's first.
export const RUN_COLOURS = [[31, 95, 191], [214, 96, 0], [46, 139, 58], [142, 68, 173], [192, 32, 32], [22, 128, 138],
  [122, 92, 0], [194, 24, 91]];
const NO_VALUE_COLOUR = [150, 150, 150];
const DOT_SIZE = 3;
// Each run's shape where a channel colours the dots, as rows of a square around the dot's middle:
// the reference's a filled square, then a ring, a plus, a cross, a diamond, a triangle and bars.
export const SHAPES = [
  ["#####", "#####", "#####", "#####", "#####"], ["#####", "#...#", "#...#", "#...#", "#####"],
  ["..#..", "..#..", "#####", "..#..", "..#.."], ["#...#", ".#.#.", "..#..", ".#.#.", "#...#"],
  ["..#..", ".###.", "#####", ".###.", "..#.."], ["..#..", "..#..", ".###.", ".###.", "#####"],
  ["..#..", "..#..", "..#..", "..#..", "..#.."], [".....", ".....", "#####", ".....", "....."],
];

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

const rgba = ([r, g, b]) => (255 << 24) | (b << 16) | (g << 8) | r;

// Fills a dot's square in pixels (a Uint32Array of width × height), spread a pixel beyond it so
// that a lone sample shows, or in a shape centred on it, scaled to the square.
function paintDot(pixels, width, height, left, top, size, colour, shape) {
  if (!shape) {
    for (let line = Math.max(0, top - 1); line < Math.min(height, top + size + 1); line++) {
      pixels.fill(colour, line * width + Math.max(0, left - 1), line * width + Math.min(width, left + size + 1));
    }
    return;
  }
  const scale = Math.max(1, Math.round(size / 2.5));
  const reach = Math.floor((shape.length * scale) / 2);
  const middleX = left + Math.floor(size / 2);
  const middleY = top + Math.floor(size / 2);
  for (let row = 0; row < shape.length * scale; row++) {
    const y = middleY - reach + row;
    if (y < 0 || y >= height) continue;
    for (let column = 0; column < shape.length * scale; column++) {
      const x = middleX - reach + column;
      if (x >= 0 && x < width && shape[Math.floor(row / scale)][Math.floor(column / scale)] === "#") pixels[y * width + x] = colour;
    }
  }
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
    this.cursor = null;
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

  // Draws picture: {x, y (the channels' headings and decimals), colour (or null), xRange, yRange,
  // colourRange, runs: [{x, y, colour channels of the run, times, start, end, kept}]}. The ranges
  // a drag chose stay until a double-click or another channel across or up.
  draw(picture) {
    if (picture.x.heading !== this.picture?.x.heading || picture.y.heading !== this.picture?.y.heading) this.ranges = null;
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
    const columns = Math.ceil(bbox.width / size);
    const rows = Math.ceil(bbox.height / size);
    const image = ctx.createImageData(columns * size, rows * size);
    const pixels = new Uint32Array(image.data.buffer);
    const [colourLow, colourHigh] = picture.colourRange ?? [0, 0];
    const shaped = picture.runs.length > 1 && picture.colour !== null;
    picture.runs.forEach((run, index) => {
      const grid = gridDots({ ...run, xRange, yRange, width: bbox.width, height: bbox.height, size });
      const plain = rgba(RUN_COLOURS[index]);
      for (let dot = 0; dot < grid.counts.length; dot++) {
        if (grid.counts[dot] === 0) continue;
        let colour = plain;
        if (grid.colourSums) {
          const mean = grid.colourSums[dot] / grid.colourCounts[dot];
          colour = mean === mean
            ? rgba(scaleRgb(colourHigh > colourLow ? (mean - colourLow) / (colourHigh - colourLow) : 0.5, DOT_SCALE))
            : rgba(NO_VALUE_COLOUR);
        }
        paintDot(pixels, columns * size, rows * size, (dot % columns) * size, Math.floor(dot / columns) * size, size, colour,
          shaped ? SHAPES[index] : null);
      }
    });
    const offscreen = document.createElement("canvas");
    offscreen.width = image.width;
    offscreen.height = image.height;
    offscreen.getContext("2d").putImageData(image, 0, 0);
    ctx.drawImage(offscreen, 0, 0, bbox.width, bbox.height, bbox.left, bbox.top, bbox.width, bbox.height);
    this.placeCursor(this.cursor);
  }

  // A ring around the cursor's sample ({run, sample}: the index of a run of the picture and a
  // sample of it in file order, or null), where it is in the plot.
  placeCursor(cursor) {
    this.cursor = cursor;
    const u = this.u;
    const run = cursor && this.picture?.runs[cursor.run];
    const across = run ? run.x.numbers[run.x.keys[cursor.sample]] : NaN;
    const up = run ? run.y.numbers[run.y.keys[cursor.sample]] : NaN;
    const inside = across >= u.scales.x.min && across <= u.scales.x.max && up >= u.scales.y.min && up <= u.scales.y.max;
    this.ring.hidden = !inside;
    if (inside) {
      this.ring.style.left = `${u.valToPos(across, "x")}px`;
      this.ring.style.top = `${u.valToPos(up, "y")}px`;
    }
  }
}
