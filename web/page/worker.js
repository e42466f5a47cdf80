// Runs the converter off the page's thread, so that the page never freezes.
// The page opens each chosen file once: the worker keeps it (a File is not
// copied) and reads it in slices whenever it converts. A WAV or AIFF file
// goes to the converter as it is; another kind is decoded here, a slice at
// a time, by the decoder of its kind, and only the part a conversion takes
// is kept, so that a long recording never sits whole in memory.
//
// Messages in: {id, kind: "open" | "opened" | "convert" | "preview" |
// "listen" | "estimate" | "forget", ...}; out: {id, progress, peaks} while a file is read, then
// {id, result}.
"use strict";

importScripts("korvel-web.js");

const ready = createKorvel({
  // A slice of a chosen file, read while the converter waits; null when
  // the file can no longer be read (changed or removed since).
  readSlice(blob) {
    try {
      return new Uint8Array(new FileReaderSync().readAsArrayBuffer(blob));
    } catch {
      return null;
    }
  },
});

// The decoders of the compressed kinds, loaded when a file first needs one.
const DECODERS = {
  mp3: ["decoders/mpg123-decoder.min.js", () => new self["mpg123-decoder"].MPEGDecoder()],
  flac: ["decoders/flac-decoder.min.js", () => new self["flac-decoder"].FLACDecoder()],
  vorbis: ["decoders/ogg-vorbis-decoder.min.js", () => new self["ogg-vorbis-decoder"].OggVorbisDecoder()],
  opus: ["decoders/ogg-opus-decoder.min.js", () => new self["ogg-opus-decoder"].OggOpusDecoder()],
};
// Bytes of a compressed file read at a time (a few seconds of sound, so
// that each decoded block is small), and frames per column of the fine
// outline kept while it is read.
const SLICE = 1 << 18;
// A WAV or AIFF file up to this size is read once, when it is chosen, and
// converted from memory as often as asked; a larger one is read in slices
// at each conversion, so that memory stays bounded.
const HELD = 64 << 20;
const FINE = 1024;

const sounds = new Map();
// One decoder of each kind, made when a file first needs it and reset for
// each pass: every instance has memory of its own.
const decoders = new Map();

async function decoderOf(kind) {
  if (!decoders.has(kind)) {
    const [script, make] = DECODERS[kind];
    importScripts(script);
    const decoder = make();
    await decoder.ready;
    decoders.set(kind, decoder);
  }
  const decoder = decoders.get(kind);
  await decoder.reset();
  return decoder;
}

function text(bytes, at, length) {
  return String.fromCharCode(...bytes.subarray(at, at + length));
}

// The kind of a compressed file by its first bytes: a decoder of ours,
// "browser" for the kinds only the browser decodes (MP4/M4A, WebM), or
// null.
function kindOf(head, type) {
  const start = text(head, 0, 4);
  if (start.startsWith("ID3") || (head[0] === 0xff && (head[1] & 0xe0) === 0xe0)) return "mp3";
  if (start === "fLaC") return "flac";
  if (start === "OggS") {
    const page = text(head, 0, head.length);
    if (page.includes("OpusHead")) return "opus";
    if (page.includes("vorbis")) return "vorbis";
    return null;
  }
  if (text(head, 4, 4) === "ftyp" || (head[0] === 0x1a && head[1] === 0x45 && head[2] === 0xdf && head[3] === 0xa3))
    return "browser";
  return /^(audio|video)\//.test(type) ? "browser" : null;
}

function slice(file, at, end) {
  return new Uint8Array(new FileReaderSync().readAsArrayBuffer(file.slice(at, end)));
}

// The decoded blocks of a sound, {channelData, samplesDecoded, sampleRate},
// with how far through the file each is; stops early when `enough` says so.
async function decode(sound, each, enough = () => false) {
  if (sound.pcm) {
    each(sound.pcm, 1);
    return;
  }
  const decoder = await decoderOf(sound.decoder);
  for (let at = 0; at < sound.file.size && !enough(); at += SLICE) {
    const out = await decoder.decode(slice(sound.file, at, at + SLICE));
    if (out.samplesDecoded > 0) each(out, Math.min(1, (at + SLICE) / sound.file.size));
  }
  if (decoder.flush && !enough()) {
    const out = await decoder.flush();
    if (out.samplesDecoded > 0) each(out, 1);
  }
}

// Reads a decoded sound once: its length and rate, its first second (for
// the converter's check), and the outline, which the page draws as it
// grows.
async function measure(id, sound) {
  let frames = 0;
  let rate = 0;
  let channels = 0;
  let first = null;
  let fine = [];
  let shown = 0;
  await decode(sound, (out, through) => {
    rate = out.sampleRate;
    channels = out.channelData.length;
    if (!first) first = new Float32Array(rate * channels);
    for (let i = 0; i < out.samplesDecoded; ++i, ++frames) {
      let sum = 0;
      for (let c = 0; c < channels; ++c) {
        sum += out.channelData[c][i];
        if (frames < rate) first[frames * channels + c] = out.channelData[c][i];
      }
      const column = Math.floor(frames / FINE);
      fine[column] = Math.max(fine[column] || 0, Math.abs(sum / channels));
    }
    if (performance.now() - shown > 200) {
      shown = performance.now();
      postMessage({ id, progress: through, peaks: columns(fine, sound.peaks, frames / through / FINE) });
    }
  });
  const second = { samples: first && first.subarray(0, Math.min(frames, rate) * channels), rate, channels };
  return { frames, rate, channels, second, peaks: columns(fine, sound.peaks, fine.length) };
}

// The fine outline in `count` columns, for a sound expected to fill `span`
// of its columns.
function columns(fine, count, span) {
  const peaks = new Float32Array(count);
  for (let i = 0; i < fine.length; ++i) {
    const column = Math.min(count - 1, Math.floor((i * count) / Math.max(span, 1)));
    peaks[column] = Math.max(peaks[column], Math.min(1, fine[i] || 0));
  }
  return peaks;
}

// Frames first..end of a decoded sound, channels interleaved.
async function part(sound, first, end) {
  end = Math.min(end, sound.frames);
  const channels = sound.channels;
  const samples = new Float32Array(Math.max(0, end - first) * channels);
  let at = 0;
  await decode(
    sound,
    (out) => {
      for (let i = 0; i < out.samplesDecoded; ++i, ++at)
        if (at >= first && at < end)
          for (let c = 0; c < channels; ++c) samples[(at - first) * channels + c] = out.channelData[c][i];
    },
    () => at >= end,
  );
  return { samples, rate: sound.rate, channels };
}

function baseName(name) {
  const dot = name.lastIndexOf(".");
  return dot > 0 ? name.slice(0, dot) : name;
}

// The converter's check of a decoded sound: the choices it has, told by a
// second of it under the file's own name.
async function describe(korvel, id, sound) {
  const { frames, rate, channels, second, peaks } = await measure(id, sound);
  Object.assign(sound, { frames, rate, channels });
  if (frames === 0) return { ok: false, decodeFailed: true };
  const result = korvel.inspect(second, baseName(sound.name) + ".wav", sound.japanese, 0, () => {});
  if (!result.ok) return result;
  return { ...result, seconds: frames / rate, peaks };
}

async function open(korvel, id, request) {
  const sound = { file: request.file, name: request.name, peaks: request.peaks, japanese: request.japanese };
  sounds.set(request.key, sound);
  const progress = (through) => postMessage({ id, progress: through });
  // Only a WAV or AIFF file is held: the converter reads it whole.
  const riff = /^(RIFF|FORM)/.test(text(slice(sound.file, 0, 4), 0, 4));
  if (riff && sound.file.size <= HELD) sound.held = korvel.hold(slice(sound.file, 0, sound.file.size));
  sound.whole = sound.held || sound.file;
  const result = korvel.inspect(sound.whole, sound.name, sound.japanese, sound.peaks, progress);
  if (result.ok || !result.decodable) return result;
  sound.decoder = kindOf(slice(sound.file, 0, 4096), sound.file.type);
  // The browser decodes these itself, on the page: it says "opened" then.
  if (sound.decoder === "browser") return { ok: false, browser: true, message: result.message };
  if (!sound.decoder) return result;
  // A file its decoder cannot read is refused with the converter's words.
  try {
    const described = await describe(korvel, id, sound);
    return described.ok || described.messages ? described : { ...result, decodeFailed: true };
  } catch {
    return { ...result, decodeFailed: true };
  }
}

// Runs `call` (the converter's convert or listen) on the sound of the
// request: the chosen file as it is, or the part of a decoded one.
async function onPart(korvel, request, call) {
  const sound = sounds.get(request.key);
  if (!sound.decoder) return call(sound.whole, sound.name, request.plan);
  const span = korvel.partFrames(sound.rate, request.plan);
  const decoded = await part(sound, span.first, span.end);
  return call(decoded, baseName(sound.name) + ".wav", { ...request.plan, start: 0 });
}

async function answer(korvel, request) {
  const { id, kind } = request;
  let result;
  if (kind === "open") {
    result = await open(korvel, id, request);
  } else if (kind === "opened") {
    // A sound the browser decoded on the page: its channels and rate.
    const sound = sounds.get(request.key);
    sound.decoder = "browser";
    sound.pcm = { channelData: request.channels, samplesDecoded: request.channels[0].length, sampleRate: request.rate };
    sound.japanese = request.japanese;
    result = await describe(korvel, id, sound);
  } else if (kind === "convert") {
    const started = performance.now();
    result = await onPart(korvel, request, (sound, name, plan) => korvel.convert(sound, name, request.japanese, plan));
    result.milliseconds = performance.now() - started;
  } else if (kind === "preview") {
    result = { wav: korvel.preview(request.mmf) };
  } else if (kind === "listen") {
    result = { wav: await onPart(korvel, request, (sound, name, plan) => korvel.listen(sound, name, plan)) };
  } else if (kind === "estimate") {
    result = korvel.estimate(request.rate, request.seconds, request.plan);
  } else if (kind === "forget") {
    const sound = sounds.get(request.key);
    if (sound && sound.held) korvel.release(sound.held);
    sounds.delete(request.key);
    result = {};
  }
  return result;
}

// One request at a time, in the order they came: a decoder serves one
// pass at a time. A request that fails (a file gone since it was chosen)
// is answered as a sound that could not be read.
let queue = Promise.resolve();
onmessage = (event) => {
  const request = event.data;
  queue = queue.then(async () => {
    let result;
    try {
      result = await answer(await ready, request);
    } catch {
      result = { ok: false, decodeFailed: true, message: "" };
    }
    const transfer = [result.peaks, result.mmf, result.wav].filter((a) => a).map((a) => a.buffer);
    postMessage({ id: request.id, result }, transfer);
  });
};
