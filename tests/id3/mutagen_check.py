#!/usr/bin/python3
"""Cross-checks tonquell's ID3 code against mutagen.

  mutagen_check.py make SCENARIO AUDIO OUT   write AUDIO with tags of SCENARIO into OUT
  mutagen_check.py compare FILE TOOL [--v1-only]
                                             tonquell-tags read FILE must agree with mutagen
  mutagen_check.py expect FILE JSON          mutagen must read FILE as ID3v2.3 with these fields
  mutagen_check.py scenarios                 list the scenario names
  mutagen_check.py carried SOURCE TARGET     the frames that travel are in TARGET as in SOURCE,
                                             those about the old audio are not
  mutagen_check.py frames FILE JSON          mutagen must read FILE as ID3v2.3 holding the frames
                                             of JSON's "present" (key: Describe text), none of its
                                             "absent" keys, and the ID3v1 fields of its "v1"
"""
import json
import struct
import subprocess
import sys
import zlib

from mutagen.id3 import (APIC, COMM, ID3, POPM, PRIV, RVA2, TALB, TCOM, TCON, TCOP, TDOR,
                         TDRC, TENC, TIPL, TIT2, TLEN, TMCL, TMOO, TOPE, TPE1, TPE2, TPOS, TRCK,
                         TSOP, TSST, TXXX, TYER, USLT, WXXX, ID3NoHeaderError)

FIELDS = ["Artist", "Album", "Title", "Year", "Genre", "Comment", "Track", "EncodedBy", "Url",
          "Copyright", "Composer", "OriginalArtist"]
TEXT_FRAMES = {"Artist": "TPE1", "Album": "TALB", "Title": "TIT2", "Track": "TRCK",
               "EncodedBy": "TENC", "Copyright": "TCOP", "Composer": "TCOM",
               "OriginalArtist": "TOPE"}


def synchsafe(n):
    return bytes([(n >> 21) & 127, (n >> 14) & 127, (n >> 7) & 127, n & 127])


def frame(fid, data, version=3, flags=0):
    size = synchsafe(len(data)) if version == 4 else struct.pack(">I", len(data))
    return fid.encode() + size + b"\0" + bytes([flags]) + data


def frame22(fid, data):
    return fid.encode() + struct.pack(">I", len(data))[1:] + data


def tag(version, flags, body):
    return b"ID3" + bytes([version, 0, flags]) + synchsafe(len(body)) + body


def unsynchronise(data):
    out = bytearray()
    for i, b in enumerate(data):
        out.append(b)
        if b == 0xFF and (i + 1 == len(data) or data[i + 1] == 0 or data[i + 1] >= 0xE0):
            out.append(0)
    return bytes(out)


def mutagen_tags(encoding, extra=()):
    tags = ID3()
    tags.add(TPE1(encoding=encoding, text="Artist \u00e4"))
    tags.add(TALB(encoding=encoding, text="Album"))
    tags.add(TIT2(encoding=encoding, text="Title \u00e9"))
    tags.add(TRCK(encoding=encoding, text="4/12"))
    tags.add(TCON(encoding=encoding, text="(17)"))
    tags.add(COMM(encoding=encoding, lang="eng", desc="", text="A comment"))
    tags.add(TENC(encoding=encoding, text="Enc"))
    tags.add(WXXX(encoding=encoding, desc="", url="http://example.org/x"))
    tags.add(TCOP(encoding=encoding, text="2020 Someone"))
    tags.add(TCOM(encoding=encoding, text="Composer"))
    tags.add(TOPE(encoding=encoding, text="Original"))
    for f in extra:
        tags.add(f)
    return tags


PNG = b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 8


def make(scenario, audio_path, out_path):
    audio = open(audio_path, "rb").read()
    open(out_path, "wb").write(audio)
    picture = APIC(encoding=0, mime="image/png", type=3, desc="cover", data=b"\x89PNG\r\n\x1a\n" + bytes(range(256)))
    if scenario in ("v23-latin1", "v23-utf16", "v24-utf8", "v24-utf16be", "v23-apic", "v24-apic"):
        encoding = {"v23-latin1": 0, "v23-utf16": 1, "v24-utf8": 3, "v24-utf16be": 2,
                    "v23-apic": 1, "v24-apic": 3}[scenario]
        version = 4 if scenario.startswith("v24") else 3
        tags = mutagen_tags(encoding, [picture] if "apic" in scenario else [])
        tags.add(TDRC(encoding=encoding, text="2004-05-06") if version == 4
                 else TYER(encoding=encoding, text="1999"))
        tags.save(out_path, v2_version=version, v1=0)
    elif scenario == "v1-track-genre":
        tags = ID3()
        tags.add(TPE1(encoding=0, text="V1 Artist"))
        tags.add(TIT2(encoding=0, text="V1 Title"))
        tags.add(TALB(encoding=0, text="V1 Album"))
        tags.add(TDRC(encoding=0, text="1987"))
        tags.add(TRCK(encoding=0, text="7"))
        tags.add(TCON(encoding=0, text="Jazz"))
        tags.add(COMM(encoding=0, lang="eng", desc="", text="v1 comment"))
        tags.save(out_path, v2_version=3, v1=2)
        # Keep only the ID3v1 block.
        data = open(out_path, "rb").read()
        size = sum(b << (21 - 7 * i) for i, b in enumerate(data[6:10])) + 10
        open(out_path, "wb").write(data[size:])
    elif scenario == "v22":
        body = (frame22("TT2", b"\0Title 22") + frame22("TP1", b"\x01\xff\xfeA\0r\0t\0") +
                frame22("TAL", b"\0Album 22") + frame22("TYE", b"\x001998") +
                frame22("TCO", b"\0(8)") + frame22("COM", b"\0eng\0Comment 22") +
                frame22("TRK", b"\x003") +
                frame22("PIC", b"\0JPG\x03desc\0\xff\xd8\xff\xe0jpegdata"))
        open(out_path, "wb").write(tag(2, 0, body + b"\0" * 64) + audio)
    elif scenario == "v23-unsync":
        body = (frame("TIT2", b"\0Unsync \xff title") + frame("TPE1", b"\x01\xff\xfeU\0n\0s\0") +
                frame("COMM", b"\0eng\0\xff\xe0 comment"))
        open(out_path, "wb").write(tag(3, 0x80, unsynchronise(body) + b"\0" * 32) + audio)
    elif scenario == "v23-exthdr":
        ext = struct.pack(">I", 6) + b"\0\0" + struct.pack(">I", 32)
        body = ext + frame("TIT2", b"\0Extended") + frame("TPE1", b"\0Ext Artist")
        open(out_path, "wb").write(tag(3, 0x40, body + b"\0" * 32) + audio)
    elif scenario == "v24-exthdr":
        ext = synchsafe(6) + b"\x01\x00"
        body = ext + frame("TIT2", b"\x03Ext 4 \xe2\x82\xac", 4) + frame("TPE1", b"\0A4", 4)
        open(out_path, "wb").write(tag(4, 0x40, body + b"\0" * 32) + audio)
    elif scenario == "v24-footer-at-end":
        body = (frame("TIT2", b"\x03At the end", 4) + frame("TPE1", b"\x03Footer", 4) +
                frame("TDRC", b"\x032011-01-01", 4))
        header = tag(4, 0x10, body)
        footer = b"3DI" + header[3:10]
        v1 = b"TAG" + b"v1 title".ljust(30, b"\0") + b"\0" * 94 + b"\xff"
        open(out_path, "wb").write(audio + header + footer + v1)
    elif scenario in ("v23-rich", "v24-rich"):
        # What other taggers and players leave in a file, besides the twelve fields.
        version = 4 if scenario == "v24-rich" else 3
        tags = mutagen_tags(1, [picture])
        tags.add(USLT(encoding=1, lang="eng", desc="", text="Line one\nLine two \u00e4"))
        # Version 2.4 files often hold UTF-8 text, which version 2.3 does not know.
        tags.add(TXXX(encoding=3 if version == 4 else 1, desc="MusicBrainz Album Id",
                      text="0f3c-42 \u00e9"))
        tags.add(TXXX(encoding=0, desc="replaygain_track_gain", text="-6.20 dB"))
        tags.add(TXXX(encoding=0, desc="REPLAYGAIN_ALBUM_PEAK", text="0.98"))
        tags.add(TPOS(encoding=0, text="2/3"))
        tags.add(TPE2(encoding=3 if version == 4 else 1, text="Various \u00c4rtists"))
        tags.add(TSOP(encoding=0, text="Band, The"))
        tags.add(PRIV(owner="WM/MediaClassPrimaryID", data=b"\xbc}`\xd1#\xe3"))
        tags.add(POPM(email="rater@example.org", rating=196, count=7))
        tags.add(TLEN(encoding=0, text="123456"))
        tags.add(COMM(encoding=0, lang="eng", desc="iTunNORM", text=" 0000021A 0000020B"))
        tags.add(COMM(encoding=0, lang="eng", desc="iTunPGAP", text="0"))
        tags.add(RVA2(desc="track", channel=1, gain=-2.5, peak=0.9))
        tags.add(TYER(encoding=0, text="1999") if version == 3
                 else TDRC(encoding=0, text="1999"))
        tags.save(out_path, v2_version=version, v1=0)
    elif scenario == "v22-itunes":
        body = (frame22("TT2", b"\0Title") + frame22("TCP", b"\x001") +
                frame22("TST", b"\0Title, The") + frame22("TSA", b"\0Album, The") +
                frame22("TSP", b"\x01\xff\xfeA\0r\0t\0,\0 \0\xe4\0") +
                frame22("TS2", b"\0Various") + frame22("TSC", b"\0Bach, J. S.") +
                frame22("PIC", b"\0PNG\x03cover\0\x89PNG\r\n\x1a\npng"))
        open(out_path, "wb").write(tag(2, 0, body + b"\0" * 32) + audio)
    elif scenario in ("v23-compressed", "v24-compressed", "v23-compressed-cut"):
        version = 4 if scenario.startswith("v24") else 3
        apic = b"\0image/png\0\x03cover\0" + PNG
        packed = zlib.compress(apic)
        if scenario.endswith("-cut"):
            packed = packed[:-6]
        text = zlib.compress(b"\0Packed Artist")
        if version == 3:
            body = (frame("TIT2", b"\0Title") +
                    frame("APIC", struct.pack(">I", len(apic)) + packed, flags=0x80) +
                    frame("TPE1", struct.pack(">I", 14) + text, flags=0x80))
        else:
            # Compressed, then unsynchronised, with the data length in front.
            body = (frame("TIT2", b"\0Title", 4) +
                    frame("APIC", synchsafe(len(apic)) + unsynchronise(packed), 4, 0x0B) +
                    frame("TPE1", synchsafe(14) + text, 4, 0x09))
        open(out_path, "wb").write(tag(version, 0, body + b"\0" * 32) + audio)
    elif scenario.startswith("v24-date-"):
        tags = ID3()
        tags.add(TDRC(encoding=3, text={"v24-date-year": "2005", "v24-date-day": "2005-09-27",
                                       "v24-date-time": "2005-09-27T18:30"}[scenario]))
        tags.add(TDOR(encoding=1, text="1999-03-04"))
        tags.add(TIPL(encoding=3, people=[["producer", "Ann \u00e9"], ["mix", "Bo"]]))
        tags.add(TMCL(encoding=0, people=[["bass", "Cy"]]))
        tags.add(TSST(encoding=3, text="Side \u00c4"))
        tags.add(TMOO(encoding=0, text="Calm"))
        tags.save(out_path, v2_version=4, v1=0)
    elif scenario == "album-cover-only":
        tags = ID3()
        tags.add(TALB(encoding=1, text="Only \u00c4lbum"))
        tags.add(APIC(encoding=0, mime="image/png", type=3, desc="", data=PNG))
        tags.save(out_path, v2_version=3, v1=0)
    elif scenario == "v1-album-only":
        v1 = b"TAG" + b"\0" * 60 + b"Only Album".ljust(30, b"\0") + b"\0" * 34 + b"\xff"
        open(out_path, "wb").write(audio + v1)
    else:
        raise SystemExit("unknown scenario " + scenario)


SCENARIOS = ["v22", "v23-latin1", "v23-utf16", "v24-utf8", "v24-utf16be", "v23-apic",
             "v24-apic", "v23-unsync", "v23-exthdr", "v24-exthdr", "v24-footer-at-end",
             "v1-track-genre", "v23-rich", "v24-rich", "v22-itunes", "v23-compressed",
             "v24-compressed", "v23-compressed-cut", "v24-date-year", "v24-date-day",
             "v24-date-time", "album-cover-only", "v1-album-only"]

# Frames about the old audio stream, which a converted file must not take over.
def about_old_audio(frame):
    fid = frame.FrameID
    if fid in ("TLEN", "MLLT", "SEEK", "ASPI", "SYTC", "ETCO", "RVAD", "RVA2", "EQUA", "EQU2",
               "AENC"):
        return True
    if fid == "TXXX":
        return frame.desc.lower().startswith("replaygain_")
    return fid == "COMM" and frame.desc.startswith("iTun")


def carried(source_path, target_path):
    source, target = load(source_path), load(target_path)
    if source is None or target is None:
        return ["no ID3v2 tag"]
    problems = []
    if target.version[:2] != (2, 3):
        problems.append("target version %r" % (target.version,))
    own = {"TPE1", "TALB", "TIT2", "TYER", "TDRC", "TCON", "TRCK", "TENC", "WXXX", "TCOP",
           "TCOM", "TOPE"}
    for key, frame in source.items():
        if frame.FrameID in own or (frame.FrameID == "COMM" and frame.desc == ""):
            continue
        if about_old_audio(frame):
            if key in target:
                problems.append("%s travelled" % key)
        elif key not in target:
            problems.append("%s is missing" % key)
        elif target[key] != frame:
            problems.append("%s differs: %r, source %r" % (key, target[key], frame))
        elif getattr(target[key], "encoding", 0) > 1:
            problems.append("%s has encoding %d in version 2.3" % (key, target[key].encoding))
    return problems


def first_text(tags, fid):
    frames = tags.getall(fid)
    if not frames:
        return ""
    return str(frames[0].text[0]) if frames[0].text else ""


def mutagen_fields(tags):
    fields = {name: first_text(tags, fid) for name, fid in TEXT_FRAMES.items()}
    year = first_text(tags, "TYER") or first_text(tags, "TDRC")
    fields["Year"] = year[:4]
    genres = tags.getall("TCON")
    fields["Genre"] = genres[0].genres[0] if genres and genres[0].genres else ""
    # The comment proper has an empty description; players keep machine data under others.
    comments = sorted((c for c in tags.getall("COMM") if not c.desc.startswith("iTun")),
                      key=lambda c: c.desc != "")
    fields["Comment"] = comments[0].text[0] if comments and comments[0].text else ""
    urls = tags.getall("WXXX")
    fields["Url"] = urls[0].url if urls else ""
    return fields


def v1_fields(path):
    data = open(path, "rb").read()
    if len(data) < 128 or data[-128:-125] != b"TAG":
        return None
    from mutagen.id3 import ParseID3v1
    frames = ParseID3v1(data[-128:])
    tags = ID3()
    for f in frames.values():
        tags.add(f)
    return mutagen_fields(tags)


def load(path):
    try:
        return ID3(path, translate=False, load_v1=False)
    except ID3NoHeaderError:
        return None


def compare(path, tool, v1_only):
    ours = json.loads(subprocess.run([tool, "read", path], check=True, capture_output=True,
                                     text=True).stdout)
    problems = []
    tags = load(path)
    theirs = mutagen_fields(tags) if tags is not None else None
    for kind, mine, expected in (("id3v2", ours["id3v2"], theirs), ("id3v1", ours["id3v1"],
                                                                    v1_fields(path))):
        if v1_only and kind == "id3v2":
            continue
        if (mine is None) != (expected is None):
            problems.append("%s: ours %r, mutagen %r" % (kind, mine, expected))
            continue
        for name in FIELDS if mine else []:
            if mine[name] != expected[name]:
                problems.append("%s %s: ours %r, mutagen %r" % (kind, name, mine[name],
                                                               expected[name]))
    return problems


def expect(path, wanted):
    tags = load(path)
    if tags is None:
        return ["no ID3v2 tag"]
    problems = []
    if tags.version[:2] != (2, 3):
        problems.append("version %r" % (tags.version,))
    fields = mutagen_fields(tags)
    for name, value in wanted.get("fields", {}).items():
        if fields[name] != value:
            problems.append("%s: mutagen %r, wanted %r" % (name, fields[name], value))
    pictures = [(p.mime, p.data.hex()) for p in tags.getall("APIC")]
    if "pictures" in wanted and pictures != [tuple(p) for p in wanted["pictures"]]:
        problems.append("pictures %r, wanted %r" % (pictures, wanted["pictures"]))
    return problems


def describe(frame):
    """A frame's content as one line of text, for comparisons."""
    if frame.FrameID == "APIC":
        return "%s %d %s %d bytes, crc %08x" % (frame.mime, frame.type, frame.desc,
                                               len(frame.data), zlib.crc32(frame.data))
    if hasattr(frame, "people"):
        # One IPLS may stand for several version-2.4 lists: the order of the pairs is free.
        return ";".join(sorted("%s=%s" % (role, name) for role, name in frame.people))
    return str(frame)


def frames(path, wanted):
    tags = load(path)
    problems = []
    if "present" in wanted or "absent" in wanted:
        if tags is None:
            return ["no ID3v2 tag"]
        if tags.version[:2] != (2, 3):
            problems.append("version %r" % (tags.version,))
        for key, text in wanted.get("present", {}).items():
            if key not in tags:
                problems.append("%s is missing (has %s)" % (key, sorted(tags.keys())))
            elif describe(tags[key]) != text:
                problems.append("%s: mutagen %r, wanted %r" % (key, describe(tags[key]), text))
        for key in wanted.get("absent", []):
            if key in tags:
                problems.append("%s is there: %r" % (key, describe(tags[key])))
        for key, f in tags.items():
            if getattr(f, "encoding", 0) > 1:
                problems.append("%s has encoding %d in version 2.3" % (key, f.encoding))
            if len(f.FrameID) != 4:
                problems.append("%s has no version-2.3 id" % key)
    elif tags is not None:
        problems.append("an ID3v2 tag: %s" % sorted(tags.keys()))
    if "v1" in wanted:
        fields = v1_fields(path)
        if fields is None:
            problems.append("no ID3v1 block")
        else:
            for name, value in wanted["v1"].items():
                if fields[name] != value:
                    problems.append("ID3v1 %s: mutagen %r, wanted %r" % (name, fields[name], value))
    return problems


def main(argv):
    if argv[1] == "scenarios":
        print("\n".join(SCENARIOS))
        return 0
    if argv[1] == "make":
        make(argv[2], argv[3], argv[4])
        return 0
    if argv[1] == "carried":
        problems = carried(argv[2], argv[3])
    elif argv[1] == "frames":
        problems = frames(argv[2], json.loads(argv[3]))
    elif argv[1] == "compare":
        problems = compare(argv[2], argv[3], "--v1-only" in argv)
    else:
        problems = expect(argv[2], json.loads(argv[3]))
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
