#!/usr/bin/python3
"""Tagged sources of every kind a music library holds, and checks of converted targets.

  library_sources.py tag KIND FILE          tags FILE (audio of KIND made by ffmpeg) in place
  library_sources.py expect TARGET KIND     mutagen must read TARGET's ID3v2.3 tag (an MP3, MP2
                                            or WAV file) as holding what a source of KIND had
  library_sources.py info TARGET KIND       mutagen must read TARGET (a WAV) with the LIST/INFO
                                            fields a source of KIND had
  library_sources.py hostile KIND FILE      damages the tags of FILE (audio made by ffmpeg) as KIND
                                            says: sizes that claim gigabytes, a picture too large
  library_sources.py cover FILE             writes the cover every source holds into FILE
  library_sources.py kinds                  the kinds, one a line
"""
import base64
import json
import struct
import sys
import zlib

from mutagen.id3 import (APIC, COMM, ID3, TALB, TBPM, TCMP, TCOM, TCON, TCOP, TDRC, TIT2, TPE1,
                         TPE2, TPOS, TRCK, TSO2, TSOA, TSOC, TSOP, TSOT, TSRC, TXXX, UFID, USLT,
                         ID3NoHeaderError)

# The picture every source holds; not a drawable image, but bytes no writer may change.
COVER = b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 16
TRACK_ID = "5f1c1a6c-1f1e-4c38-9a52-0c3a6a1d5e01"
ALBUM_ID = "0f3c5a7e-42aa-4f0e-b0d3-6d8e7f9a1b22"
ARTIST_ID = "a74b1b7f-71a5-4011-9441-d0b5e4122711"
GROUP_ID = "c1d2e3f4-0000-4000-8000-1234567890ab"

# What the full sources hold, as the ID3v2.3 target must show it (mutagen key -> text).
FULL = {
    "TIT2": "Title \u00e9", "TPE1": "Artist \u00e4", "TALB": "Album", "TPE2": "Album Artist",
    "TYER": "2004", "TDAT": "0605", "TRCK": "4/12", "TPOS": "1/2", "TCON": "Rock",
    "COMM::eng": "A comment", "TCOM": "Composer", "USLT::eng": "Line one\nLine two",
    "TCMP": "1", "TSOT": "Title, The", "TSOA": "Album, The", "TSOP": "Artist, The",
    "TSO2": "Album Artist, The", "TSOC": "Composer, The", "TBPM": "120",
    "TSRC": "USRC17607839", "TCOP": "2004 Someone",
    "TXXX:MusicBrainz Album Id": ALBUM_ID, "TXXX:MusicBrainz Artist Id": ARTIST_ID,
    "TXXX:MusicBrainz Album Artist Id": ARTIST_ID,
    "TXXX:MusicBrainz Release Group Id": GROUP_ID,
    "UFID:http://musicbrainz.org": TRACK_ID, "TXXX:MY_KEY": "my value",
}
# Values about the old audio, which no target may take over.
NEVER = ["TXXX:REPLAYGAIN_TRACK_GAIN", "TXXX:replaygain_track_gain",
         "TXXX:REPLAYGAIN_TRACK_PEAK", "TXXX:iTunSMPB", "TXXX:ENCODER", "TXXX:ENCODEDBY"]


def without(keys, extra=None):
    out = {k: v for k, v in FULL.items() if k not in keys}
    out.update(extra or {})
    return out


# Per kind: the fields the target must hold, and the picture (type, MIME, description).
EXPECTED = {
    "flac": (FULL, (3, "image/png", "cover")),
    "ogg-vorbis": (FULL, (3, "image/png", "cover")),
    "opus": (FULL, (3, "image/png", "cover")),
    "ogg-flac": (FULL, (3, "image/png", "cover")),
    "m4a-aac": (FULL, (3, "image/png", "")),
    "m4a-alac": (FULL, (3, "image/png", "")),
    "wma": (without(["TDAT"], {"TRCK": "4"}), (3, "image/png", "cover")),
    "aiff": (FULL, (3, "image/png", "cover")),
    "wavpack": (FULL, (3, "image/png", "cover.png")),
    "wav-id3": (FULL, (3, "image/png", "cover")),
    "wav-info": ({"TIT2": "Title \u00e9", "TPE1": "Artist \u00e4", "TALB": "Album",
                  "TYER": "2004", "TDAT": "0605", "TRCK": "4", "TCON": "Rock",
                  "COMM::eng": "A comment", "TCOP": "2004 Someone", "TCOM": "Composer"}, None),
    "mp3": (FULL, (3, "image/png", "cover")),
    "mka": ({"TIT2": "Title \u00e9", "TPE1": "Artist \u00e4", "TALB": "Album",
             "TPE2": "Album Artist", "TYER": "2004", "TDAT": "0605", "TRCK": "4/12",
             "TPOS": "1/2", "TCON": "Rock", "COMM::eng": "A comment", "TCOM": "Composer",
             "TCOP": "2004 Someone", "TXXX:MY_KEY": "my value"},
            (3, "image/png", "cover.png")),
}


def vorbis_fields():
    return {
        "TITLE": "Title \u00e9", "ARTIST": "Artist \u00e4", "ALBUM": "Album",
        "ALBUMARTIST": "Album Artist", "DATE": "2004-05-06", "TRACKNUMBER": "4",
        "TRACKTOTAL": "12", "DISCNUMBER": "1", "DISCTOTAL": "2", "GENRE": "Rock",
        "COMMENT": "A comment", "COMPOSER": "Composer", "LYRICS": "Line one\nLine two",
        "COMPILATION": "1", "TITLESORT": "Title, The", "ALBUMSORT": "Album, The",
        "ARTISTSORT": "Artist, The", "ALBUMARTISTSORT": "Album Artist, The",
        "COMPOSERSORT": "Composer, The", "BPM": "120", "ISRC": "USRC17607839",
        "COPYRIGHT": "2004 Someone", "MUSICBRAINZ_TRACKID": TRACK_ID,
        "MUSICBRAINZ_ALBUMID": ALBUM_ID, "MUSICBRAINZ_ARTISTID": ARTIST_ID,
        "MUSICBRAINZ_ALBUMARTISTID": ARTIST_ID, "MUSICBRAINZ_RELEASEGROUPID": GROUP_ID,
        "MY_KEY": "my value", "REPLAYGAIN_TRACK_GAIN": "-6.20 dB",
        "REPLAYGAIN_TRACK_PEAK": "0.98",
    }


def flac_picture():
    from mutagen.flac import Picture
    p = Picture()
    p.type = 3
    p.mime = "image/png"
    p.desc = "cover"
    p.width, p.height, p.depth = 16, 16, 24
    p.data = COVER
    return p


def tag_xiph(tags, native_picture=None):
    for key, value in vorbis_fields().items():
        tags[key] = [value]
    if native_picture is not None:
        native_picture(flac_picture())
    else:
        tags["METADATA_BLOCK_PICTURE"] = [base64.b64encode(flac_picture().write()).decode()]


def tag_mp4(path):
    from mutagen.mp4 import MP4, MP4Cover, MP4FreeForm
    f = MP4(path)
    f.tags = f.tags or __import__("mutagen.mp4", fromlist=["MP4Tags"]).MP4Tags()
    t = f.tags
    t["\xa9nam"] = ["Title \u00e9"]
    t["\xa9ART"] = ["Artist \u00e4"]
    t["\xa9alb"] = ["Album"]
    t["aART"] = ["Album Artist"]
    t["\xa9day"] = ["2004-05-06"]
    t["trkn"] = [(4, 12)]
    t["disk"] = [(1, 2)]
    t["\xa9gen"] = ["Rock"]
    t["\xa9cmt"] = ["A comment"]
    t["\xa9wrt"] = ["Composer"]
    t["\xa9lyr"] = ["Line one\nLine two"]
    t["cpil"] = True
    t["sonm"] = ["Title, The"]
    t["soal"] = ["Album, The"]
    t["soar"] = ["Artist, The"]
    t["soaa"] = ["Album Artist, The"]
    t["soco"] = ["Composer, The"]
    t["tmpo"] = [120]
    t["cprt"] = ["2004 Someone"]
    t["\xa9too"] = ["Lavf59"]
    t["covr"] = [MP4Cover(COVER, imageformat=MP4Cover.FORMAT_PNG)]
    free = {"ISRC": "USRC17607839", "MusicBrainz Track Id": TRACK_ID,
            "MusicBrainz Album Id": ALBUM_ID, "MusicBrainz Artist Id": ARTIST_ID,
            "MusicBrainz Album Artist Id": ARTIST_ID, "MusicBrainz Release Group Id": GROUP_ID,
            "MY_KEY": "my value", "replaygain_track_gain": "-6.20 dB",
            "iTunSMPB": " 00000000 00000840 000001C0 0000000000003E40"}
    for name, value in free.items():
        t["----:com.apple.iTunes:" + name] = [MP4FreeForm(value.encode())]
    f.save()


def tag_asf(path):
    from mutagen.asf import ASF, ASFByteArrayAttribute
    f = ASF(path)
    t = f.tags
    t["Title"] = ["Title \u00e9"]
    t["Author"] = ["Artist \u00e4"]
    t["WM/AlbumTitle"] = ["Album"]
    t["WM/AlbumArtist"] = ["Album Artist"]
    t["WM/Year"] = ["2004"]
    t["WM/TrackNumber"] = ["4"]
    t["WM/PartOfSet"] = ["1/2"]
    t["WM/Genre"] = ["Rock"]
    t["Description"] = ["A comment"]
    t["WM/Composer"] = ["Composer"]
    t["WM/Lyrics"] = ["Line one\nLine two"]
    t["WM/IsCompilation"] = ["1"]
    t["WM/TitleSortOrder"] = ["Title, The"]
    t["WM/AlbumSortOrder"] = ["Album, The"]
    t["WM/ArtistSortOrder"] = ["Artist, The"]
    t["WM/AlbumArtistSortOrder"] = ["Album Artist, The"]
    t["WM/ComposerSortOrder"] = ["Composer, The"]
    t["WM/BeatsPerMinute"] = ["120"]
    t["WM/ISRC"] = ["USRC17607839"]
    t["Copyright"] = ["2004 Someone"]
    t["MusicBrainz/Track Id"] = [TRACK_ID]
    t["MusicBrainz/Album Id"] = [ALBUM_ID]
    t["MusicBrainz/Artist Id"] = [ARTIST_ID]
    t["MusicBrainz/Album Artist Id"] = [ARTIST_ID]
    t["MusicBrainz/Release Group Id"] = [GROUP_ID]
    t["MY_KEY"] = ["my value"]
    t["replaygain_track_gain"] = ["-6.20 dB"]
    # WM/Picture: type, data length, MIME (UTF-16, ended), description (UTF-16, ended), data.
    blob = (struct.pack("<BI", 3, len(COVER)) + "image/png\0".encode("utf-16-le") +
            "cover\0".encode("utf-16-le") + COVER)
    t["WM/Picture"] = [ASFByteArrayAttribute(blob)]
    f.save()


def tag_ape(path):
    from mutagen.apev2 import APEv2, APEValue, BINARY
    t = APEv2()
    for key, value in {"Title": "Title \u00e9", "Artist": "Artist \u00e4", "Album": "Album",
                       "Album Artist": "Album Artist", "Year": "2004-05-06", "Track": "4/12",
                       "Disc": "1/2", "Genre": "Rock", "Comment": "A comment",
                       "Composer": "Composer", "Lyrics": "Line one\nLine two",
                       "Compilation": "1", "TitleSort": "Title, The",
                       "AlbumSort": "Album, The", "ArtistSort": "Artist, The",
                       "AlbumArtistSort": "Album Artist, The",
                       "ComposerSort": "Composer, The", "BPM": "120", "ISRC": "USRC17607839",
                       "Copyright": "2004 Someone", "MUSICBRAINZ_TRACKID": TRACK_ID,
                       "MUSICBRAINZ_ALBUMID": ALBUM_ID, "MUSICBRAINZ_ARTISTID": ARTIST_ID,
                       "MUSICBRAINZ_ALBUMARTISTID": ARTIST_ID,
                       "MUSICBRAINZ_RELEASEGROUPID": GROUP_ID, "MY_KEY": "my value",
                       "REPLAYGAIN_TRACK_GAIN": "-6.20 dB"}.items():
        t[key] = value
    t["Cover Art (Front)"] = APEValue(b"cover.png\0" + COVER, BINARY)
    t.save(path)


def id3_tags():
    t = ID3()
    t.add(TIT2(encoding=1, text="Title \u00e9"))
    t.add(TPE1(encoding=1, text="Artist \u00e4"))
    t.add(TALB(encoding=0, text="Album"))
    t.add(TPE2(encoding=0, text="Album Artist"))
    t.add(TDRC(encoding=0, text="2004-05-06"))
    t.add(TRCK(encoding=0, text="4/12"))
    t.add(TPOS(encoding=0, text="1/2"))
    t.add(TCON(encoding=0, text="Rock"))
    t.add(COMM(encoding=0, lang="eng", desc="", text="A comment"))
    t.add(TCOM(encoding=0, text="Composer"))
    t.add(USLT(encoding=0, lang="eng", desc="", text="Line one\nLine two"))
    t.add(TCMP(encoding=0, text="1"))
    t.add(TSOT(encoding=0, text="Title, The"))
    t.add(TSOA(encoding=0, text="Album, The"))
    t.add(TSOP(encoding=0, text="Artist, The"))
    t.add(TSO2(encoding=0, text="Album Artist, The"))
    t.add(TSOC(encoding=0, text="Composer, The"))
    t.add(TBPM(encoding=0, text="120"))
    t.add(TSRC(encoding=0, text="USRC17607839"))
    t.add(TCOP(encoding=0, text="2004 Someone"))
    for desc, value in (("MusicBrainz Album Id", ALBUM_ID), ("MusicBrainz Artist Id", ARTIST_ID),
                        ("MusicBrainz Album Artist Id", ARTIST_ID),
                        ("MusicBrainz Release Group Id", GROUP_ID), ("MY_KEY", "my value"),
                        ("replaygain_track_gain", "-6.20 dB")):
        t.add(TXXX(encoding=0, desc=desc, text=value))
    t.add(UFID(owner="http://musicbrainz.org", data=TRACK_ID.encode()))
    t.add(APIC(encoding=0, mime="image/png", type=3, desc="cover", data=COVER))
    return t


def put_id3(f):
    """Gives a WAVE or AIFF file of mutagen's the frames of id3_tags(), in its ID3 chunk."""
    if f.tags is None:
        f.add_tags()
    for frame in id3_tags().values():
        f.tags.add(frame)


def info_chunk(fields):
    body = b"INFO"
    for cid, value in fields:
        data = value.encode() + b"\0"
        body += cid.encode() + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")
    return b"LIST" + struct.pack("<I", len(body)) + body


def tag_wav_info(path):
    data = open(path, "rb").read()
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE"
    chunk = info_chunk([("INAM", "Title \u00e9"), ("IART", "Artist \u00e4"), ("IPRD", "Album"),
                        ("ICRD", "2004-05-06"), ("ITRK", "4"), ("IGNR", "Rock"),
                        ("ICMT", "A comment"), ("ICOP", "2004 Someone"), ("IMUS", "Composer")])
    # The list in front of the data chunk, where most writers put it, instead of ffmpeg's.
    at = 12
    while data[at:at + 4] != b"data":
        size = struct.unpack("<I", data[at + 4:at + 8])[0]
        if data[at:at + 4] == b"LIST" and data[at + 8:at + 12] == b"INFO":
            data = data[:at] + data[at + 8 + size + (size & 1):]
            continue
        at += 8 + size + (size & 1)
    data = data[:at] + chunk + data[at:]
    open(path, "wb").write(data[:4] + struct.pack("<I", len(data) - 8) + data[8:])


def tag(kind, path):
    if kind == "flac":
        from mutagen.flac import FLAC
        f = FLAC(path)
        tag_xiph(f, f.add_picture)
        f.save()
    elif kind in ("ogg-vorbis", "opus", "ogg-flac"):
        from mutagen.oggflac import OggFLAC
        from mutagen.oggopus import OggOpus
        from mutagen.oggvorbis import OggVorbis
        f = {"ogg-vorbis": OggVorbis, "opus": OggOpus, "ogg-flac": OggFLAC}[kind](path)
        tag_xiph(f.tags)
        f.save()
    elif kind in ("m4a-aac", "m4a-alac"):
        tag_mp4(path)
    elif kind == "wma":
        tag_asf(path)
    elif kind == "wavpack":
        tag_ape(path)
    elif kind == "aiff":
        from mutagen.aiff import AIFF
        f = AIFF(path)
        put_id3(f)
        f.save(v2_version=4)
    elif kind == "wav-id3":
        from mutagen.wave import WAVE
        f = WAVE(path)
        put_id3(f)
        f.save(v2_version=3)
    elif kind == "wav-info":
        tag_wav_info(path)
    elif kind == "mp3":
        id3_tags().save(path, v2_version=3, v1=0)
    elif kind == "mka":
        pass  # ffmpeg wrote the tags and the attachment
    else:
        raise SystemExit("unknown kind " + kind)


def patch_size_before(data, marker, size, fmt=">I", back=4):
    """Sets the size field that stands `back` bytes before the first `marker` in `data`."""
    at = data.index(marker) - back
    return data[:at] + struct.pack(fmt, size) + data[at + struct.calcsize(fmt):]


def hostile(kind, path):
    if kind == "ogg-picture-claims-4-GiB":
        from mutagen.oggvorbis import OggVorbis
        f = OggVorbis(path)
        f.tags["TITLE"] = ["ok"]
        block = (struct.pack(">I", 3) + struct.pack(">I", 9) + b"image/png" + struct.pack(">I", 0) +
                 struct.pack(">IIII", 1, 1, 24, 0) + struct.pack(">I", 0xFFFFFFF0) + COVER[:64])
        f.tags["METADATA_BLOCK_PICTURE"] = [base64.b64encode(block).decode()]
        f.save()
    elif kind == "m4a-covr-claims-4-GiB":
        from mutagen.mp4 import MP4, MP4Cover
        f = MP4(path)
        f.tags = f.tags or __import__("mutagen.mp4", fromlist=["MP4Tags"]).MP4Tags()
        f.tags["\xa9nam"] = ["ok"]
        f.tags["covr"] = [MP4Cover(COVER, imageformat=MP4Cover.FORMAT_PNG)]
        f.save()
        data = open(path, "rb").read()
        open(path, "wb").write(patch_size_before(data, b"covr", 0xFFFFFFF0))
    elif kind == "wma-picture-claims-4-GiB":
        from mutagen.asf import ASF, ASFByteArrayAttribute
        f = ASF(path)
        f.tags["Title"] = ["ok"]
        blob = (struct.pack("<BI", 3, 0xFFFFFFFF) + "image/png\0".encode("utf-16-le") +
                "\0".encode("utf-16-le") + COVER[:64])
        f.tags["WM/Picture"] = [ASFByteArrayAttribute(blob)]
        f.save()
    elif kind == "wavpack-item-claims-2-GiB":
        from mutagen.apev2 import APEv2, APEValue, BINARY
        t = APEv2()
        t["Title"] = "ok"
        t["Cover Art (Front)"] = APEValue(b"cover.png\0" + COVER, BINARY)
        t.save(path)
        data = open(path, "rb").read()
        open(path, "wb").write(patch_size_before(data, b"Cover Art", 0x7FFFFFF0, "<I", 8))
    elif kind == "m4a-picture-of-17-MiB":
        from mutagen.mp4 import MP4, MP4Cover
        f = MP4(path)
        f.tags = f.tags or __import__("mutagen.mp4", fromlist=["MP4Tags"]).MP4Tags()
        f.tags["\xa9nam"] = ["ok"]
        f.tags["covr"] = [MP4Cover(COVER + bytes(17 * 1024 * 1024), MP4Cover.FORMAT_PNG),
                          MP4Cover(COVER, MP4Cover.FORMAT_PNG)]
        f.save()
    else:
        raise SystemExit("unknown hostile kind " + kind)


def load_id3(path):
    if path.endswith(".wav"):
        from mutagen.wave import WAVE
        return WAVE(path, translate=False).tags
    try:
        return ID3(path, translate=False)
    except ID3NoHeaderError:
        return None


def text_of(frame):
    if isinstance(frame, UFID):
        return frame.data.decode("latin-1")
    if isinstance(frame, USLT):
        return frame.text
    if isinstance(frame, TCON):
        return "/".join(frame.genres)
    return "/".join(str(t) for t in frame.text)


def expect(path, kind):
    tags = load_id3(path)
    if tags is None:
        return ["no ID3v2 tag"]
    problems = []
    if tags.version[:2] != (2, 3):
        problems.append("version %r" % (tags.version,))
    fields, picture = EXPECTED[kind]
    for key, value in fields.items():
        if key not in tags:
            problems.append("%s is missing (has %s)" % (key, sorted(tags.keys())))
        elif text_of(tags[key]) != value:
            problems.append("%s: %r, wanted %r" % (key, text_of(tags[key]), value))
    for key in NEVER:
        if key in tags:
            problems.append("%s travelled" % key)
    pictures = tags.getall("APIC")
    if picture is None:
        if pictures:
            problems.append("a picture travelled from nowhere")
    elif len(pictures) != 1:
        problems.append("%d pictures" % len(pictures))
    else:
        p = pictures[0]
        if (p.type, p.mime, p.desc) != picture:
            problems.append("picture %r, wanted %r" % ((p.type, p.mime, p.desc), picture))
        if p.data != COVER:
            problems.append("the cover's bytes differ (%d bytes)" % len(p.data))
    for key, frame in tags.items():
        if getattr(frame, "encoding", 0) > 1:
            problems.append("%s has encoding %d in version 2.3" % (key, frame.encoding))
    return problems


def riff_chunks(path):
    data = open(path, "rb").read()
    problems = []
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        return None, ["not a RIFF WAVE file"]
    if struct.unpack("<I", data[4:8])[0] != len(data) - 8:
        problems.append("RIFF size %d for a file of %d bytes" %
                        (struct.unpack("<I", data[4:8])[0], len(data)))
    chunks = []
    at = 12
    while at + 8 <= len(data):
        cid, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        chunks.append((cid, data[at + 8:at + 8 + size]))
        at += 8 + size + (size & 1)
    if at != len(data):
        problems.append("the chunks end at %d, the file at %d" % (at, len(data)))
    return chunks, problems


def info(path, kind):
    chunks, problems = riff_chunks(path)
    if chunks is None:
        return problems
    lists = [body for cid, body in chunks if cid == b"LIST" and body[:4] == b"INFO"]
    ids = [cid for cid, _ in chunks]
    if len(lists) != 1:
        return problems + ["%d LIST/INFO chunks (%r)" % (len(lists), ids)]
    if ids.count(b"id3 ") + ids.count(b"ID3 ") != 1:
        problems.append("id3 chunks: %r" % ids)
    body = lists[0]
    found = {}
    at = 4
    while at + 8 <= len(body):
        cid, size = body[at:at + 4].decode(), struct.unpack("<I", body[at + 4:at + 8])[0]
        found[cid] = body[at + 8:at + 8 + size].rstrip(b"\0").decode("utf-8")
        at += 8 + size + (size & 1)
    fields = EXPECTED[kind][0]
    wanted = {"INAM": fields["TIT2"], "IART": fields["TPE1"], "IPRD": fields["TALB"],
              "IGNR": fields["TCON"], "ICMT": fields["COMM::eng"],
              "ITRK": fields["TRCK"].split("/")[0]}
    if "TDAT" in fields:
        wanted["ICRD"] = "2004-05-06"
    else:
        wanted["ICRD"] = fields["TYER"]
    for cid, value in wanted.items():
        if found.get(cid) != value:
            problems.append("%s: %r, wanted %r" % (cid, found.get(cid), value))
    return problems


def main(argv):
    if argv[1] == "kinds":
        print("\n".join(EXPECTED))
        return 0
    if argv[1] == "cover":
        open(argv[2], "wb").write(COVER)
        return 0
    if argv[1] == "hostile":
        hostile(argv[2], argv[3])
        return 0
    if argv[1] == "tag":
        tag(argv[2], argv[3])
        return 0
    problems = expect(argv[2], argv[3]) if argv[1] == "expect" else info(argv[2], argv[3])
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
