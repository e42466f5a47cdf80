// The part of a sound that goes into the file: the waveform with the
// bright window over it, whose edges are dragged with mouse or touch, which
// the arrow keys move, and the start, length and fades as text fields (in
// seconds, or m:ss.fff). Times are kept in whole milliseconds, as
// korvel-cli's options take them. The longest part comes from the
// converter's check of the sound.
"use strict";

const Part = (() => {
  const $ = (id) => document.getElementById(id);
  // Pixels from an edge within which a press takes the edge: a finger's width.
  const GRAB = 22;
  let sound = null; // {seconds, longestPart, peaks}
  let start = 0;
  let length = 0;
  let zoomed = false;
  let changed = () => {};
  let words = null;

  const milliseconds = (seconds) => Math.round(seconds * 1000) / 1000;

  // "75.5", "1:15.5" and "1:15,5" are all 75.5 s; null for anything else.
  function parse(text) {
    const match = /^\s*(?:(\d+):)?(\d+(?:[.,]\d*)?|[.,]\d+)\s*$/.exec(text);
    if (!match) return null;
    return (match[1] ? Number(match[1]) * 60 : 0) + Number(match[2].replace(",", "."));
  }

  function format(seconds) {
    const minutes = Math.floor(seconds / 60);
    const rest = (seconds - minutes * 60).toFixed(3).padStart(6, "0");
    return `${minutes}:${rest}`;
  }

  // The seconds the canvas shows: the whole sound, or, zoomed, the window
  // with as much again around it.
  function view() {
    if (!zoomed) return { from: 0, to: sound.seconds };
    const margin = Math.max(length / 2, 0.5);
    const from = Math.max(0, start - margin);
    return { from, to: Math.min(sound.seconds, start + length + margin) };
  }

  function set(newStart, newLength) {
    const longest = Math.min(sound.longestPart, sound.seconds);
    length = milliseconds(Math.min(Math.max(newLength, 0.001), longest));
    start = milliseconds(Math.min(Math.max(newStart, 0), Math.max(0, sound.seconds - length)));
    show();
    changed();
  }

  function show() {
    $("start").value = format(start);
    $("length").value = format(length);
    const win = $("window");
    win.setAttribute("aria-valuemax", String(milliseconds(Math.max(0, sound.seconds - length))));
    win.setAttribute("aria-valuenow", String(start));
    win.setAttribute("aria-valuetext", words.part(format(start), format(start + length), length.toFixed(3)));
    win.setAttribute("aria-label", words.partName);
    const { from, to } = view();
    const box = $("wave").clientWidth || 1;
    win.style.left = `${((start - from) / (to - from)) * box}px`;
    win.style.width = `${Math.max(2, (length / (to - from)) * box)}px`;
    draw();
  }

  function draw() {
    const canvas = $("waveform");
    const g = canvas.getContext("2d");
    const { width, height } = canvas;
    const { from, to } = view();
    const peaks = sound.peaks;
    g.clearRect(0, 0, width, height);
    const left = ((start - from) / (to - from)) * width;
    const right = ((start + length - from) / (to - from)) * width;
    g.fillStyle = "#2b53a8";
    g.fillRect(left, 0, right - left, height);
    for (let x = 0; x < width; ++x) {
      const at = from + ((to - from) * x) / width;
      const peak = peaks[Math.min(peaks.length - 1, Math.floor((at / sound.seconds) * peaks.length))] || 0;
      const h = Math.max(1, peak * (height - 4));
      g.fillStyle = x >= left && x < right ? "#e8f0ff" : "#5a7fd0";
      g.fillRect(x, (height - h) / 2, 1, h);
    }
  }

  // A press on an edge drags that edge; inside the window, the window.
  function followPointer() {
    const wave = $("wave");
    let drag = null;
    wave.addEventListener("pointerdown", (event) => {
      if (!sound) return;
      const box = wave.getBoundingClientRect();
      const { from, to } = view();
      const perPixel = (to - from) / box.width;
      const x = event.clientX - box.left;
      const left = (start - from) / perPixel;
      const right = (start + length - from) / perPixel;
      let what = null;
      if (Math.abs(x - left) <= GRAB && Math.abs(x - left) <= Math.abs(x - right)) what = "start";
      else if (Math.abs(x - right) <= GRAB) what = "end";
      else if (x > left && x < right) what = "move";
      if (!what) return;
      event.preventDefault();
      drag = { what, x: event.clientX, start, length, perPixel };
      wave.setPointerCapture(event.pointerId);
    });
    wave.addEventListener("pointermove", (event) => {
      if (!drag) return;
      const moved = (event.clientX - drag.x) * drag.perPixel;
      if (drag.what === "move") set(drag.start + moved, drag.length);
      else if (drag.what === "start") {
        const end = drag.start + drag.length;
        const newStart = Math.min(Math.max(0, drag.start + moved), end - 0.001);
        set(newStart, end - newStart);
      } else set(drag.start, drag.length + moved);
    });
    for (const kind of ["pointerup", "pointercancel"]) wave.addEventListener(kind, () => (drag = null));
  }

  // Arrow keys move the window a tenth of a second (with Shift a second),
  // Page Up and Page Down five seconds, Home and End to either end.
  function followKeys() {
    $("window").addEventListener("keydown", (event) => {
      const step = event.shiftKey ? 1 : 0.1;
      const moves = {
        ArrowLeft: start - step,
        ArrowDown: start - step,
        ArrowRight: start + step,
        ArrowUp: start + step,
        PageDown: start - 5,
        PageUp: start + 5,
        Home: 0,
        End: sound.seconds,
      };
      if (!(event.key in moves)) return;
      event.preventDefault();
      set(moves[event.key], length);
    });
  }

  function followFields() {
    for (const id of ["start", "length"])
      $(id).addEventListener("change", () => {
        const value = parse($(id).value);
        // A start typed keeps its place: the part is shortened to fit.
        if (value === null) show();
        else if (id === "start") set(value, Math.min(length, sound.seconds - value));
        else set(start, value);
      });
    for (const id of ["fade-in", "fade-out"])
      $(id).addEventListener("change", () => {
        const value = parse($(id).value);
        $(id).value = value === null ? "0" : String(milliseconds(value));
        changed();
      });
    $("zoom").addEventListener("click", () => {
      zoomed = !zoomed;
      $("zoom").setAttribute("aria-pressed", String(zoomed));
      show();
    });
    window.addEventListener("resize", () => sound && show());
  }

  followPointer();
  followKeys();
  followFields();

  return {
    // A new sound: the window at its start, as long as a file holds.
    use(checked, texts, onChange) {
      sound = checked;
      words = texts;
      changed = onChange;
      zoomed = false;
      $("zoom").setAttribute("aria-pressed", "false");
      $("fade-in").value = $("fade-out").value = "0";
      start = 0;
      length = milliseconds(Math.min(sound.longestPart, sound.seconds));
      show();
    },
    redraw(texts, peaks) {
      words = texts;
      if (!sound) return;
      if (peaks) sound.peaks = peaks;
      show();
    },
    // The part of the plan: start, length (0: to the end of the sound, cut
    // where a file is full, as when no part is chosen), fades.
    plan() {
      const whole = start === 0 && length >= Math.min(sound.longestPart, sound.seconds);
      const toTheEnd = start + length >= sound.seconds;
      return {
        start,
        length: whole || toTheEnd ? 0 : length,
        fadeIn: parse($("fade-in").value) || 0,
        fadeOut: parse($("fade-out").value) || 0,
      };
    },
    get start() {
      return start;
    },
    get length() {
      return length;
    },
  };
})();
