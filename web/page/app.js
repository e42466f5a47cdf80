// The page: one sound file in, its Tessal file out, all inside the browser.
// The converter runs in a worker (worker.js); this script asks it to check
// the chosen file, shows the settings the desktop program asks for, draws
// the sound with the part that goes into the file, converts, and offers
// the file and a preview of what a handset will play. Every rule (the
// rates a sound can have, the longest part, the text limit) comes from the
// converter's check of the file.
"use strict";

// Columns of the waveform.
const PEAKS = 560;

const TEXTS = {
  en: {
    what: "WAV/AIFF → Tessal ringtone, converted in your browser",
    drop: "Drop a WAV or AIFF file here",
    choose: "or choose one",
    window: (seconds) => `Drag the bright window to choose the part that goes into the file (${seconds} s at most).`,
    title: "title",
    copyright: "copyright",
    save: "save",
    transfer: "transfer",
    convert: "convert",
    download: "download",
    listen: "What a handset will play:",
    offline: "Nothing leaves your computer: the page converts offline, once loaded.",
    seconds: "s",
    switchTo: "日本語",
    rateNotAllowed: (rate, soundRate) => `A file of ${rate} Hz cannot be made from this sound of ${soundRate} Hz.`,
    tooLong: (field, limit) => `The ${field} is too long: a file holds ${limit} bytes of it (in UTF-8, a character beyond U+FFFF taking 6, a "," or "\\" 2). Shorten it.`,
  },
  ja: {
    what: "WAV/AIFF → Tessal着信音、ブラウザーの中で変換",
    drop: "WAV/AIFFファイルをここにドロップ",
    choose: "またはファイルを選択",
    window: (seconds) => `明るい枠をドラッグして、ファイルに入れる部分を選べます（最長${seconds}秒）。`,
    title: "タイトル",
    copyright: "著作権",
    save: "保存",
    transfer: "転送",
    convert: "変換",
    download: "ダウンロード",
    listen: "端末で鳴る音：",
    offline: "ファイルはどこにも送られません。読み込んだ後はオフラインで変換します。",
    seconds: "秒",
    switchTo: "English",
    rateNotAllowed: (rate, soundRate) => `${soundRate} Hzの音から${rate} Hzのファイルは作れません。`,
    tooLong: (field, limit) => `${field === "title" ? "タイトル" : "著作権"}が長すぎます。ファイルに入るのは${limit}バイト（UTF-8。U+FFFFより後の文字は6、「,」「\\」は2バイト）までです。短くしてください。`,
  },
};

const $ = (id) => document.getElementById(id);

let language = (navigator.language || "en").toLowerCase().startsWith("ja") ? "ja" : "en";
// The file chosen: {name, bytes, probe}, and where its kept part starts.
let chosen = null;
let start = 0;
let links = [];

// The worker answers each request in turn.
const worker = new Worker("worker.js");
const waiting = new Map();
let nextId = 0;
worker.onmessage = (event) => {
  waiting.get(event.data.id)(event.data.result);
  waiting.delete(event.data.id);
};
function ask(request) {
  return new Promise((resolve) => {
    const id = nextId++;
    waiting.set(id, resolve);
    worker.postMessage({ ...request, id, japanese: language === "ja" });
  });
}

function showTexts() {
  document.documentElement.lang = language;
  for (const element of document.querySelectorAll("[data-text]")) {
    const text = TEXTS[language][element.dataset.text];
    element.textContent = typeof text === "function" ? (usable() ? text(chosen.probe.longestPart) : "") : text;
  }
  $("language").textContent = TEXTS[language].switchTo;
  if (usable()) describe();
}

// A sound is chosen, checked and accepted.
function usable() {
  return chosen !== null && chosen.probe !== null && chosen.probe.ok;
}

function describe() {
  const p = chosen.probe;
  $("chosen").textContent = `${chosen.name} — ${p.seconds.toFixed(2)} ${TEXTS[language].seconds}, ${p.rate} Hz`;
}

function baseName(name) {
  const dot = name.lastIndexOf(".");
  return dot > 0 ? name.slice(0, dot) : name;
}

function forgetLinks() {
  for (const url of links) URL.revokeObjectURL(url);
  links = [];
}

// The skin's pictures mark their transparent pixels in pure yellow, as the
// desktop program's do; the page keys them out once, on a canvas.
const pictures = new Map();
function picture(file) {
  if (!pictures.has(file))
    pictures.set(file, new Promise((resolve) => {
      const image = new Image();
      image.onload = () => {
        const canvas = document.createElement("canvas");
        canvas.width = image.width;
        canvas.height = image.height;
        const g = canvas.getContext("2d");
        g.drawImage(image, 0, 0);
        const pixels = g.getImageData(0, 0, canvas.width, canvas.height);
        for (let i = 0; i < pixels.data.length; i += 4)
          if (pixels.data[i] === 255 && pixels.data[i + 1] === 255 && pixels.data[i + 2] === 0) pixels.data[i + 3] = 0;
        g.putImageData(pixels, 0, 0);
        resolve(canvas.toDataURL());
      };
      // Unloadable (offline before it came): no picture, the text stays.
      image.onerror = () => resolve("");
      image.src = file;
    }));
  return pictures.get(file);
}

async function showPicture(element, file) {
  element.src = await picture(file);
}

function showOutcome(written, text) {
  $("outcome").hidden = false;
  showPicture($("plate"), written ? "plate-completed.bmp" : "plate-caution.bmp");
  $("result").textContent = text;
  $("result").className = written ? "written" : "refused";
}

async function choose(file) {
  forgetLinks();
  $("outcome").hidden = true;
  $("download").hidden = $("preview").hidden = $("listen").hidden = true;
  const bytes = await file.arrayBuffer();
  const mine = { name: file.name, bytes, probe: null };
  chosen = mine;
  start = 0;
  $("waveform").dataset.start = "0";
  const p = await ask({ kind: "inspect", bytes, name: file.name, peaks: PEAKS });
  // A file chosen meanwhile takes the place of this one.
  if (chosen !== mine) return;
  mine.probe = p;
  $("settings").hidden = !p.ok;
  if (!p.ok) {
    showOutcome(false, p.message);
    return;
  }
  // The desktop program's defaults: the base name as title, both
  // permissions, the rates the sound can have and its default one.
  $("title").value = p.title;
  $("copyright").value = "";
  $("save").checked = $("transfer").checked = true;
  for (const radio of rates()) {
    radio.disabled = !p.rates.includes(Number(radio.value));
    radio.checked = Number(radio.value) === p.defaultRate;
  }
  showTexts();
  drawWaveform();
}

function rates() {
  return document.querySelectorAll('input[name="rate"]');
}

function keptSeconds() {
  return Math.min(chosen.probe.longestPart, chosen.probe.seconds);
}

function drawWaveform() {
  const canvas = $("waveform");
  const g = canvas.getContext("2d");
  const { width, height } = canvas;
  const peaks = chosen.probe.peaks;
  const seconds = chosen.probe.seconds;
  g.clearRect(0, 0, width, height);
  const left = (start / seconds) * width;
  const right = ((start + keptSeconds()) / seconds) * width;
  g.fillStyle = "#2b53a8";
  g.fillRect(left, 0, right - left, height);
  for (let x = 0; x < width; ++x) {
    const h = Math.max(1, peaks[Math.floor((x * peaks.length) / width)] * (height - 4));
    g.fillStyle = x >= left && x < right ? "#e8f0ff" : "#5a7fd0";
    g.fillRect(x, (height - h) / 2, 1, h);
  }
  g.strokeStyle = "#ffd84a";
  g.lineWidth = 2;
  g.strokeRect(left + 1, 1, right - left - 2, height - 2);
}

// Dragging the window moves the start of the kept part, in whole
// milliseconds, as korvel-cli's --start takes it.
function followDrag() {
  const canvas = $("waveform");
  let from = null;
  canvas.addEventListener("pointerdown", (event) => {
    if (!usable()) return;
    from = { x: event.clientX, start };
    canvas.setPointerCapture(event.pointerId);
  });
  canvas.addEventListener("pointermove", (event) => {
    if (from === null) return;
    const seconds = chosen.probe.seconds;
    const moved = ((event.clientX - from.x) / canvas.clientWidth) * seconds;
    const latest = Math.max(0, seconds - keptSeconds());
    start = Math.round(Math.min(latest, Math.max(0, from.start + moved)) * 1000) / 1000;
    canvas.dataset.start = String(start);
    drawWaveform();
  });
  canvas.addEventListener("pointerup", () => (from = null));
}

async function convert(event) {
  event.preventDefault();
  if (!usable()) return;
  forgetLinks();
  $("convert").disabled = true;
  // Whole characters only: a lone half of a surrogate pair, which no
  // keyboard types but a paste may bring, becomes U+FFFD.
  const plan = {
    title: $("title").value.toWellFormed(),
    copyright: $("copyright").value.toWellFormed(),
    rate: Number([...rates()].find((radio) => radio.checked).value),
    save: $("save").checked,
    transfer: $("transfer").checked,
    start,
    // The whole sound (cut where a file is full) unless a later part was chosen.
    length: start > 0 ? chosen.probe.longestPart : 0,
  };
  const result = await ask({ kind: "convert", bytes: chosen.bytes, name: chosen.name, plan });
  $("convert").disabled = false;
  showOutcome(result.ok, said(result));
  $("result").dataset.milliseconds = String(Math.round(result.milliseconds));
  if (!result.ok) return;
  const file = URL.createObjectURL(new Blob([result.mmf], { type: "application/octet-stream" }));
  const preview = URL.createObjectURL(new Blob([result.preview], { type: "audio/wav" }));
  links = [file, preview];
  $("download").href = file;
  $("download").download = baseName(chosen.name) + ".mmf";
  $("preview").src = preview;
  $("download").hidden = $("preview").hidden = $("listen").hidden = false;
}

// The outcome's text: the converter's message, or the page's words for a
// plan it refused.
function said(result) {
  if (result.tooLong) return TEXTS[language].tooLong(result.tooLong, result.limit);
  if (result.fault === "rate") return TEXTS[language].rateNotAllowed(result.rate, result.soundRate);
  return result.message;
}

function takeDrops() {
  const zone = $("drop");
  for (const kind of ["dragenter", "dragover"])
    document.addEventListener(kind, (event) => {
      event.preventDefault();
      zone.classList.add("over");
    });
  document.addEventListener("dragleave", () => zone.classList.remove("over"));
  document.addEventListener("drop", (event) => {
    event.preventDefault();
    zone.classList.remove("over");
    // Only the first file of a drop, as on the desktop.
    if (event.dataTransfer.files.length > 0) choose(event.dataTransfer.files[0]);
  });
}

$("file").addEventListener("change", () => {
  if ($("file").files.length > 0) choose($("file").files[0]);
});
$("save").addEventListener("change", () => {
  if (!$("save").checked) $("transfer").checked = false;
});
$("transfer").addEventListener("change", () => {
  if ($("transfer").checked) $("save").checked = true;
});
$("settings").addEventListener("submit", convert);
$("language").addEventListener("click", async () => {
  language = language === "ja" ? "en" : "ja";
  showTexts();
  // A refusal shown is said again in the new language.
  if (chosen !== null && chosen.probe !== null && !chosen.probe.ok) {
    chosen.probe = await ask({ kind: "inspect", bytes: chosen.bytes, name: chosen.name, peaks: PEAKS });
    showOutcome(false, chosen.probe.message);
  }
});
for (const element of document.querySelectorAll("[data-picture]")) showPicture(element, element.dataset.picture);
// The outcome's pictures come with the page too: it converts offline.
for (const file of ["plate-completed.bmp", "plate-caution.bmp"]) picture(file);
followDrag();
takeDrops();
showTexts();
