// The page: sound files in, Tessal files out, all inside the browser. The
// converter runs in a worker (worker.js); this script hands it the chosen
// files, shows the settings the desktop program asks for and the part
// (part.js), tells the size of the file to come, converts, and offers the
// files, one by one or together in a .zip, with a preview of what a handset
// will play. Every rule (the rates a sound can have, the longest part, the
// text limit, the sizes) comes from the converter.
"use strict";

// Columns of the waveform.
const PEAKS = 560;
const $ = (id) => document.getElementById(id);
const words = () => TEXTS[language];

let language = (navigator.language || "en").toLowerCase().startsWith("ja") ? "ja" : "en";
// The files chosen: {key, file, name, probe, outcome, url}; the first
// accepted one is shown.
let entries = [];
let shown = null;
let links = [];
let zipLink = null;
let nextKey = 0;

// The worker answers each request in turn, with progress on the way.
const worker = new Worker("worker.js");
const waiting = new Map();
let nextId = 0;
worker.onmessage = (event) => {
  const { id, result, progress, peaks } = event.data;
  const asked = waiting.get(id);
  if (result === undefined) {
    if (asked.progress) asked.progress(progress, peaks);
    return;
  }
  waiting.delete(id);
  asked.resolve(result);
};
function ask(request, progress = null, transfer = []) {
  return new Promise((resolve) => {
    const id = nextId++;
    waiting.set(id, { resolve, progress });
    worker.postMessage({ ...request, id, japanese: language === "ja" }, transfer);
  });
}

function showTexts() {
  document.documentElement.lang = language;
  for (const element of document.querySelectorAll("[data-text]")) {
    const text = words()[element.dataset.text];
    element.textContent = typeof text === "function" ? (shown ? text(shown.probe.longestPart) : "") : text;
  }
  $("language").textContent = words().switchTo;
  $("language").lang = language === "ja" ? "en" : "ja";
  if (shown) {
    describe();
    Part.redraw(words());
    expect();
  }
  showOutcomes();
}

function describe() {
  const p = shown.probe;
  $("chosen").textContent = `${shown.name} — ${p.seconds.toFixed(2)} ${words().seconds}, ${p.rate} Hz`;
  const several = accepted().length > 1;
  $("convert").textContent = several ? words().convertAll(accepted().length) : words().convert;
  $("title").disabled = several;
  $("title").placeholder = several ? words().titles : "";
  if (several) $("title").value = "";
}

function accepted() {
  return entries.filter((entry) => entry.probe && entry.probe.ok);
}

function baseName(name) {
  const dot = name.lastIndexOf(".");
  return dot > 0 ? name.slice(0, dot) : name;
}

function forgetLinks() {
  for (const url of links) URL.revokeObjectURL(url);
  links = [];
  zipLink = null;
}

function link(bytes, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  links.push(url);
  return url;
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
      image.onerror = () => resolve("");
      image.src = file;
    }));
  return pictures.get(file);
}

async function showPicture(element, file) {
  element.src = await picture(file);
}

// What a result says in the page's language: the converter's message, or
// the page's words for a plan it refused or a file it cannot read.
function said(result) {
  if (result.tooLong) return words().tooLong(result.tooLong, result.limit);
  if (result.fault === "rate") return words().rateNotAllowed(result.rate, result.soundRate);
  const message = result.messages ? result.messages[language] : result.message;
  return result.decodable || result.decodeFailed ? `${message} ${words().unreadable}`.trim() : message;
}

// The outcome of the last choice or conversion, said again in the page's
// language whenever it changes.
function showOutcomes() {
  const done = entries.filter((entry) => entry.outcome);
  if (done.length === 0) return;
  const written = done.filter((entry) => entry.outcome.ok);
  const one = done.length === 1 ? done[0] : null;
  $("outcome").hidden = false;
  showPicture($("plate"), written.length > 0 ? "plate-completed.bmp" : "plate-caution.bmp");
  $("result").textContent = one ? said(one.outcome) : words().several(written.length, done.length);
  $("result").className = written.length > 0 ? "written" : "refused";
  const list = $("outcomes");
  list.hidden = one !== null;
  list.replaceChildren(...(one ? [] : done.map(outcomeItem)));
  $("download-all").hidden = !zipLink;
  if (zipLink) $("download-all").href = zipLink;
}

function outcomeItem(entry) {
  const item = document.createElement("li");
  item.textContent = `${entry.name}: ${said(entry.outcome)} `;
  if (entry.url) {
    const a = document.createElement("a");
    a.href = entry.url;
    a.download = baseName(entry.name) + ".mmf";
    a.textContent = words().download;
    a.className = "action";
    item.append(a);
  }
  return item;
}

function resetOutcome() {
  forgetLinks();
  $("preview").removeAttribute("src");
  $("preview").load();
  $("outcome").hidden = true;
  for (const id of ["download", "download-all", "preview", "listen", "outcomes"]) $(id).hidden = true;
  for (const entry of entries) entry.outcome = entry.url = null;
}

async function open(entry) {
  $("reading").hidden = false;
  $("progress").value = 0;
  $("reading-text").textContent = words().reading(entry.name);
  const progress = (through, peaks) => {
    $("progress").value = through;
    if (peaks && shown === entry) Part.redraw(words(), peaks);
  };
  let probe = await ask({ kind: "open", key: entry.key, file: entry.file, name: entry.name, peaks: PEAKS }, progress);
  // MP4, M4A and WebM sound: the browser's own decoder, on the page (a
  // worker has none), which brings every sound to the context's rate.
  if (probe.browser) {
    try {
      const decoded = await new OfflineAudioContext(1, 1, 44100).decodeAudioData(await entry.file.arrayBuffer());
      const channels = [];
      for (let c = 0; c < decoded.numberOfChannels; ++c) channels.push(decoded.getChannelData(c));
      probe = await ask({ kind: "opened", key: entry.key, channels, rate: decoded.sampleRate }, progress, channels.map((c) => c.buffer));
    } catch {
      probe = { ...probe, decodeFailed: true };
    }
  }
  $("reading").hidden = true;
  entry.probe = probe;
}

async function choose(files) {
  const started = performance.now();
  resetOutcome();
  for (const entry of entries) ask({ kind: "forget", key: entry.key });
  entries = [...files].map((file) => ({ key: nextKey++, file, name: file.name, probe: null }));
  const mine = entries;
  shown = null;
  $("settings").hidden = true;
  for (const entry of entries) {
    await open(entry);
    // Files chosen meanwhile take the place of these.
    if (entries !== mine) return;
    if (!shown && entry.probe.ok) show(entry);
  }
  if (!shown) {
    for (const entry of entries) entry.outcome = entry.probe;
    showOutcomes();
    $("outcome").focus();
    return;
  }
  listFiles();
  describe();
  // From the choice to the settings shown, for the speed script.
  $("chosen").dataset.milliseconds = String(Math.round(performance.now() - started));
}

// The first accepted file's settings, as the desktop program's defaults:
// its title, both permissions, the rates it can have and its default one.
function show(entry) {
  shown = entry;
  const p = entry.probe;
  $("settings").hidden = false;
  $("title").value = p.title;
  $("copyright").value = "";
  $("save").checked = $("transfer").checked = true;
  $("normalize").checked = false;
  for (const radio of rates()) {
    radio.disabled = !p.rates.includes(Number(radio.value));
    radio.checked = Number(radio.value) === p.defaultRate;
  }
  Part.use(p, words(), expect);
  showTexts();
}

function listFiles() {
  const list = $("files");
  list.hidden = entries.length < 2;
  list.replaceChildren(
    ...entries.map((entry) => {
      const item = document.createElement("li");
      item.textContent = entry.probe.ok ? `${entry.name} — ${entry.probe.seconds.toFixed(2)} ${words().seconds}` : `${entry.name}: ${said(entry.probe)}`;
      return item;
    }),
  );
}

function rates() {
  return document.querySelectorAll('input[name="rate"]');
}

function plan(entry) {
  return {
    // Whole characters only: a lone half of a surrogate pair, which no
    // keyboard types but a paste may bring, becomes U+FFFD.
    title: accepted().length > 1 ? entry.probe.title : $("title").value.toWellFormed(),
    copyright: $("copyright").value.toWellFormed(),
    rate: Number([...rates()].find((radio) => radio.checked).value),
    save: $("save").checked,
    transfer: $("transfer").checked,
    normalize: $("normalize").checked,
    ...Part.plan(),
  };
}

// The size and play time of the file the settings make, from the converter.
let expecting = 0;
async function expect() {
  const mine = ++expecting;
  const p = shown.probe;
  const file = await ask({ kind: "estimate", rate: p.rate, seconds: p.seconds, plan: plan(shown) });
  if (mine === expecting) $("expected").textContent = words().expected(file.size, file.seconds.toFixed(2));
}

async function convert(event) {
  const started = performance.now();
  event.preventDefault();
  if (!shown) return;
  resetOutcome();
  $("convert").disabled = true;
  const written = [];
  for (const entry of entries) if (!entry.probe.ok) entry.outcome = entry.probe;
  for (const entry of accepted()) {
    entry.outcome = await ask({ kind: "convert", key: entry.key, plan: plan(entry) });
    if (entry.outcome.ok) {
      entry.url = link(entry.outcome.mmf, "application/octet-stream");
      written.push([baseName(entry.name) + ".mmf", entry.outcome.mmf]);
    }
  }
  $("convert").disabled = false;
  const one = accepted().length === 1 ? accepted()[0] : null;
  if (one && one.outcome.ok) {
    $("download").href = one.url;
    $("download").download = baseName(one.name) + ".mmf";
    $("download").hidden = $("preview").hidden = $("listen").hidden = false;
  }
  if (!one && written.length > 0) zipLink = link(zipOf(written), "application/zip");
  showOutcomes();
  $("outcome").focus();
  $("outcome").scrollIntoView({ block: "nearest" });
  // How long it took in the worker, and from the press to the outcome
  // shown, for the speed script.
  $("result").dataset.worker = String(Math.round(accepted()[0].outcome.milliseconds));
  $("result").dataset.milliseconds = String(Math.round(performance.now() - started));
  // What a handset will play comes after the outcome.
  if (one && one.outcome.ok) {
    const { wav } = await ask({ kind: "preview", mmf: one.outcome.mmf });
    if (wav && one.url !== null) $("preview").src = link(wav, "audio/wav");
  }
}

// The files in one .zip, each under its name, stored as they are (a
// Tessal file's ADPCM does not compress), with a name kept unique.
function zipOf(files) {
  const named = {};
  for (const [name, bytes] of files) {
    let unique = name;
    for (let n = 2; unique in named; ++n) unique = `${baseName(name)} (${n}).mmf`;
    named[unique] = [bytes, { level: 0 }];
  }
  return fflate.zipSync(named);
}

// "Play the part": the part with its fades, as the converter takes it
// from the sound, before converting; pressed again, it stops.
async function playPart() {
  const audio = $("listen-part");
  if (!audio.paused) {
    audio.pause();
    return;
  }
  const { wav } = await ask({ kind: "listen", key: shown.key, plan: plan(shown) });
  if (!wav) return;
  if (audio.src) URL.revokeObjectURL(audio.src);
  audio.src = URL.createObjectURL(new Blob([wav], { type: "audio/wav" }));
  audio.onpause = audio.onended = () => ($("play-part").textContent = words().playPart);
  audio.play().then(() => ($("play-part").textContent = words().stopPart), () => {});
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
    if (event.dataTransfer.files.length > 0) choose(event.dataTransfer.files);
  });
}

$("file").addEventListener("change", () => {
  if ($("file").files.length > 0) choose($("file").files);
});
$("save").addEventListener("change", () => {
  if (!$("save").checked) $("transfer").checked = false;
  expect();
});
$("transfer").addEventListener("change", () => {
  if ($("transfer").checked) $("save").checked = true;
  expect();
});
for (const id of ["title", "copyright"]) $(id).addEventListener("input", () => expect());
for (const radio of rates()) radio.addEventListener("change", () => expect());
$("play-part").addEventListener("click", playPart);
$("settings").addEventListener("submit", convert);
$("language").addEventListener("click", () => {
  language = language === "ja" ? "en" : "ja";
  showTexts();
  if (shown) listFiles();
});
for (const element of document.querySelectorAll("[data-picture]")) showPicture(element, element.dataset.picture);
// The outcome's pictures come with the page too: it converts offline.
for (const file of ["plate-completed.bmp", "plate-caution.bmp"]) picture(file);
if ("serviceWorker" in navigator) navigator.serviceWorker.register("sw.js").catch(() => {});
takeDrops();
showTexts();
