#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz harnesses: fuzz/<harness>/corpus/.

Each seed is a short, meaningful session in the harness's byte format (see the comment
at the top of each harness), so that fuzzing starts from calls that reach deep into the
code instead of being refused at the first check. Run it again after changing a
harness's decoding; the files are committed.

    python3 fuzz/make_seeds.py [HARNESS...]
"""
import ctypes
import ctypes.util
import math
import os
import struct
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def write_corpus(harness, seeds):
    folder = os.path.join(HERE, harness, "corpus")
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        os.remove(os.path.join(folder, name))
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(bytes(data))


# ---------------------------------------------------------------------------------------
# Audio Unit harness (audiounit_fuzz.cpp). Tables in the harness's order.

PROPERTIES = [0, 1, 2, 3, 4, 8, 11, 12, 13, 14, 20, 21, 23, 24, 28, 29, 33, 36, 5, 7, 1000]
SCOPE_GLOBAL, SCOPE_INPUT, SCOPE_OUTPUT = 0, 1, 2
FRAMES = [0, 1, 15, 512, 1024, 4096, 4097, 65536, 65537]
RATE_48000 = 1


class AUSession:
    def __init__(self):
        self.b = bytearray()

    def op(self, case, slot):
        self.b.append((case << 1) | slot)

    def prop(self, pid):
        self.b += bytes([0, PROPERTIES.index(pid)])

    def open(self, slot, effect):
        self.op(0, slot)
        self.b.append(effect)
        return self

    def initialize(self, slot=0):
        self.op(1, slot)
        return self

    def reset(self, slot=0):
        self.op(3, slot)
        self.b += bytes([SCOPE_GLOBAL, 1])
        return self

    def get(self, slot, pid, scope=SCOPE_GLOBAL, element=0, parameter=0):
        """A size query, then the property in a buffer of that size."""
        self.op(5, slot)
        self.prop(pid)
        self.b.append(scope)
        self.element(element)
        self.b.append(0)
        self.b += bytes([130, 77])  # a plain value, used by the value-text record
        if pid == 33:  # the record asks for that value's text of one parameter
            self.b += bytes([1, parameter, 1])
        return self

    def element(self, element):
        if element == 0:
            self.b.append(1)
        else:
            self.b += bytes([0, 1, element])

    def set_plain(self, slot, pid, data, scope=SCOPE_GLOBAL):
        self.op(6, slot)
        self.prop(pid)
        self.b.append(scope)
        self.element(0)
        self.b.append(0)  # the record's own size
        self.b += bytes([1, len(data)]) + data
        return self

    def set_callback(self, slot=0):
        self.op(6, slot)
        self.prop(23)
        self.b += bytes([SCOPE_INPUT, 1, 0, 1])
        return self

    def connect(self, slot):
        self.op(6, slot)
        self.prop(1)
        self.b += bytes([SCOPE_INPUT, 1, 0, 1, 1, 0, 1, 0])
        return self

    def preset(self, slot, number):
        self.op(6, slot)
        self.prop(36)
        self.b += bytes([SCOPE_GLOBAL, 1, 0, 1, number + 1, 0])
        return self

    def restore(self, slot):
        self.op(6, slot)
        self.prop(0)
        self.b += bytes([SCOPE_GLOBAL, 1, 0, 0])
        return self

    def format(self, slot, channels, scope):
        self.op(12, slot)
        self.b += bytes([1, RATE_48000, 0, 0, 1, channels - 1, 0, 1, scope - SCOPE_INPUT, 100, 1])
        return self

    def parameter(self, slot, pid, value):
        self.op(8, slot)
        self.b += bytes([1, pid, SCOPE_GLOBAL, 1, 100, int(value * 255), 1, 0])
        return self

    def render(self, slot, frames, channels, pulls=1, pattern=2):
        self.op(9, slot)
        self.b += bytes([1, FRAMES.index(frames), channels])
        self.b += bytes([3] * channels)  # host buffers of the full size
        self.b += bytes([200, 0])        # not silent, bus 0, every pointer given
        for _ in range(pulls):           # the render callback fills each input channel
            self.b.append(2)
            for c in range(channels):
                self.b += bytes([pattern, 130, 200]) + struct.pack("<I", 12345 + c)
            self.b.append(200)
        return self


def audiounit_seeds():
    seeds = {}
    for effect in range(11):
        s = AUSession().open(0, effect).set_callback().initialize()
        s.render(0, 512, 2).parameter(0, 0, 0.75).render(0, 512, 2)
        s.get(0, 33, parameter=0).get(0, 4, element=1).preset(0, 1).render(0, 1024, 2)
        seeds["effect-%02d-stereo" % effect] = s.b
    mono = AUSession().open(0, 8).format(0, 1, SCOPE_INPUT).format(0, 1, SCOPE_OUTPUT).set_callback().initialize()
    mono.render(0, 512, 1).render(0, 15, 1)
    seeds["stereoizer-mono"] = mono.b
    chained = AUSession().open(0, 1).open(1, 3).set_callback(0).connect(1).initialize(0).initialize(1)
    chained.render(1, 512, 2)
    seeds["two-units-connected"] = chained.b
    state = AUSession().open(0, 4).get(0, 0).parameter(0, 1, 0.2).restore(0).get(0, 24).get(0, 3).get(0, 13)
    state.get(0, 12).get(0, 20).set_plain(0, 21, struct.pack("<I", 1)).set_plain(0, 14, struct.pack("<I", 2048))
    state.set_callback().initialize().render(0, 512, 2).reset()
    seeds["state-properties-bypass"] = state.b
    return seeds


# ---------------------------------------------------------------------------------------
# VST harness (vst_fuzz.cpp). Tables in the harness's order.

VST_VALUES = [0, 1, 2, -1, 511, 512, 4096, 65536]
VST_RATES = [44100.0, 48000.0]
VST_FRAMES = [0, 1, 15, 64, 512, 513, 4096, 65536]
EFF_SET_PROGRAM, EFF_SET_PROGRAM_NAME, EFF_GET_PROGRAM_NAME, EFF_GET_PARAM_LABEL = 2, 4, 5, 6
EFF_GET_PARAM_DISPLAY, EFF_GET_PARAM_NAME, EFF_MAINS_CHANGED, EFF_GET_PROGRAM_NAME_INDEXED = 7, 8, 12, 29
EFF_GET_EFFECT_NAME, EFF_GET_VENDOR, EFF_GET_PRODUCT, EFF_CAN_DO, EFF_START_PROCESS = 45, 47, 48, 51, 71


class VSTSession:
    def __init__(self):
        self.b = bytearray()

    def open(self, slot, plugin):
        self.b += bytes([slot, plugin, 1])  # any op on an empty slot opens; then effOpen
        return self

    def close(self, slot=0):
        self.b.append(slot)
        return self

    def value(self, v):
        if v in VST_VALUES:
            self.b += bytes([0, VST_VALUES.index(v)])
        else:
            self.b += bytes([2]) + struct.pack("<q", v)

    def dispatch(self, slot, opcode, index=0, value=0, text=None, answer=False):
        self.b += bytes([(1 << 1) | slot, 0, opcode, 1, index + 1])
        self.value(value)
        self.b += bytes([100, 0])  # opt 0
        if text is not None:
            self.b += bytes([100, 2]) + struct.pack("<I", len(text)) + text.encode()
        else:
            self.b.append(100 if answer else 0)  # a text buffer, or null
        return self

    def parameter(self, slot, index, value):
        self.b += bytes([(2 << 1) | slot, 1, index + 1, 100, int(value * 255)])
        return self

    def rate(self, slot, rate):
        self.b += bytes([(4 << 1) | slot, 1, VST_RATES.index(rate)])
        return self

    def block(self, slot, frames):
        self.b += bytes([(5 << 1) | slot])
        self.value(frames)
        return self

    def process(self, slot, frames, in_place=False):
        self.b += bytes([(6 << 1) | slot, 0x10 | int(in_place), 1, VST_FRAMES.index(frames)])
        for c in range(2):
            self.b += bytes([2, 100, 0]) + struct.pack("<I", 777 + c)
        return self

    def start(self, slot, plugin):
        self.open(slot, plugin).rate(slot, 48000.0).block(slot, 512).dispatch(slot, EFF_MAINS_CHANGED, value=1)
        return self


def vst_seeds():
    seeds = {}
    for plugin in range(11):
        s = VSTSession().start(0, plugin).process(0, 512).parameter(0, 0, 0.8)
        s.dispatch(0, EFF_GET_PARAM_DISPLAY, answer=True).process(0, 512, in_place=True)
        s.dispatch(0, EFF_SET_PROGRAM, value=1).dispatch(0, EFF_GET_PROGRAM_NAME, answer=True).process(0, 64)
        seeds["plugin-%02d" % plugin] = s.b
    two = VSTSession().start(0, 7).start(1, 8).process(0, 512).process(1, 512).parameter(1, 0, 0.1).process(0, 513)
    seeds["two-instances"] = two.b
    texts = VSTSession().open(0, 3)
    for opcode in (EFF_GET_EFFECT_NAME, EFF_GET_VENDOR, EFF_GET_PRODUCT, EFF_GET_PARAM_NAME, EFF_GET_PARAM_LABEL):
        texts.dispatch(0, opcode, answer=True)
    texts.dispatch(0, EFF_GET_PROGRAM_NAME_INDEXED, index=1, answer=True)
    texts.dispatch(0, EFF_CAN_DO, text="receiveVstMidiEvent").dispatch(0, EFF_SET_PROGRAM_NAME, text="A name long enough")
    texts.dispatch(0, EFF_START_PROCESS).process(0, 4096).close()
    seeds["texts-and-close"] = texts.b
    return seeds


# ---------------------------------------------------------------------------------------
# Renderer harness (renderer_fuzz.cpp): [name][argc][args\0...][file bytes]

class SndFile:
    """Just enough of libsndfile to write small files in its formats."""

    WAV, AIFF, AU, FLAC, OGG = 0x010000, 0x020000, 0x030000, 0x170000, 0x200060
    PCM_16, FLOAT, VORBIS = 0x0002, 0x0006, 0x0060

    class Info(ctypes.Structure):
        _fields_ = [("frames", ctypes.c_int64), ("samplerate", ctypes.c_int), ("channels", ctypes.c_int),
                    ("format", ctypes.c_int), ("sections", ctypes.c_int), ("seekable", ctypes.c_int)]

    def __init__(self):
        self.lib = ctypes.CDLL(ctypes.util.find_library("sndfile") or "libsndfile.so.1")
        self.lib.sf_open.restype = ctypes.c_void_p
        self.lib.sf_open.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.POINTER(SndFile.Info)]
        self.lib.sf_writef_float.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_float), ctypes.c_int64]
        self.lib.sf_close.argtypes = [ctypes.c_void_p]

    def encode(self, fmt, rate, channels, frames, samples=None):
        info = SndFile.Info(0, rate, channels, fmt, 0, 0)
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "seed").encode()
            handle = self.lib.sf_open(path, 0x20, ctypes.byref(info))
            if not handle:
                raise RuntimeError("libsndfile cannot write format %#x" % fmt)
            if samples is None:
                samples = [0.5 * math.sin(2 * math.pi * 440 * (i // channels) / rate + (i % channels))
                           for i in range(frames * channels)]
            self.lib.sf_writef_float(handle, (ctypes.c_float * len(samples))(*samples), frames)
            self.lib.sf_close(handle)
            with open(path, "rb") as f:
                return f.read()


INPUT_NAMES = ["in", "in.wav"]


def command(args, data=b"", name="in"):
    out = bytearray([INPUT_NAMES.index(name), len(args)])
    for a in args:
        out += a.encode() + b"\0"
    return out + data


def renderer_seeds():
    sf = SndFile()
    wav16 = sf.encode(SndFile.WAV | SndFile.PCM_16, 44100, 2, 64)
    wavf = sf.encode(SndFile.WAV | SndFile.FLOAT, 48000, 1, 48)
    aiff = sf.encode(SndFile.AIFF | SndFile.PCM_16, 22050, 2, 40)
    au = sf.encode(SndFile.AU | SndFile.PCM_16, 8000, 1, 40)
    flac = sf.encode(SndFile.FLAC | SndFile.PCM_16, 44100, 2, 100)
    ogg = sf.encode(SndFile.OGG | SndFile.VORBIS, 44100, 1, 200)
    # Float samples as a file may hold them: awkward values among ordinary ones.
    awkward = [float("nan"), float("inf"), -float("inf"), 1e30, -1e-40, 0.0, 1.0, -1.0]
    wild = sf.encode(SndFile.WAV | SndFile.FLOAT, 44100, 2, 64,
                     [awkward[i % 8] if i % 5 == 0 else 0.3 * math.sin(i * 0.1) for i in range(128)])
    library = {"QVbq": "0=0.5,1=0.9,3=1", "QVcl": "0=1,1=0", "QVcp": "1=1,3=1,9=1", "QVdl": "0=1,1=1,2=0.5",
               "QVmn": "0=0", "QVnr": "0=1", "QVec": "0=1,1=0.01,2=1", "Qdec": "2=0.99", "QVrv": "0=1,1=1",
               "QVch": "0=1,1=1,2=1,3=1,4=1", "QVmf": "0=0.9,4=1,5=1", "QVsf": "8=1,9=1", "QVtr": "0=0,1=1,3=1",
               "QVng": "0=1,1=0,2=0", "QVgn": "0=1"}
    seeds = {"library-%s" % code: command(["render", code, "--set", values, "@", "o.wav"], wild)
             for code, values in library.items()}
    return seeds | {
        "help": command(["help"]),
        "list-names": command(["list", "--names"]),
        "info-effect": command(["info", "sharpener"]),
        "info-library-filter": command(["info", "QVcp"]),
        "render-wav16": command(["render", "bass boost", "@", "out.wav", "--quiet"], wav16),
        "render-wavfloat-to-flac": command(["render", "Tessary Monofier", "@", "o.flac", "--bits", "16"], wavf),
        "render-aiff-chain": command(["render", "qvcp", "--preset", "1", "+", "crisper", "--set", "0=0.3,1=1",
                                      "@", "o.aiff", "--block", "7"], aiff),
        "render-au-stereo-only": command(["render", "stereoizer", "@", "o.wav", "--bits", "24"], au),
        "render-flac-sharpener": command(["render", "sharpener", "@", "o.wav", "--rate-check"], flac),
        "render-ogg-library": command(["render", "echo", "--set", "0=0.1", "@", "o.ogg"], ogg),
        "render-not-audio": command(["render", "expander", "@", "o.wav"], b"this is no audio file\n"),
        "render-same-file": command(["render", "gain", "@", "@"], wav16, "in.wav"),
    }


HARNESSES = {"audiounit": audiounit_seeds, "renderer": renderer_seeds, "vst": vst_seeds}

if __name__ == "__main__":
    # python3 fuzz/make_seeds.py [HARNESS...]: the named corpora, or all of them.
    for harness in sys.argv[1:] or HARNESSES:
        write_corpus(harness, HARNESSES[harness]())
