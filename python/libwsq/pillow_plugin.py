"""WsqImagePlugin: Pillow opens and saves WSQ files through libwsq.

Importing this module registers the format; register() does it again, explicitly:

    from libwsq import pillow_plugin
    pillow_plugin.register()
    with Image.open("print.wsq") as img:
        img.info["dpi"]          # (500, 500)
    img.save("copy.wsq", bitrate=0.75, ppi=500, comment="left index")

Opening reads the stream's facts only; the picture is decoded when the pixels are first needed.
A WSQ image is mode "L". Its info holds
- "dpi": (ppi, ppi), when the stream gives a resolution;
- "comments": every comment's text in file order, the NISTCOM comment among them;
- "comment": the last comment that is not a NISTCOM comment, when there is one (the one
  save(comment=...) wrote);
- "nistcom": the NISTCOM comment's entries, name -> value or None, when there is one.

Saving takes mode "L" only, with the parameters
- bitrate: bits per pixel, 0.75 when not given;
- ppi: the resolution; when not given, the first of dpi=(x, y) or of the image's info["dpi"],
  rounded; unknown when neither is there;
- comment: str or bytes; when not given, the image's info["comment"] (as Pillow's JPEG writer
  keeps a comment), none when it has none;
- nistcom: NISTCOM entries, as libwsq.encode takes them.
"""

from PIL import Image, ImageFile

import libwsq

FORMAT = "WSQ"
EXTENSIONS = (".wsq",)
MIME = "image/x-wsq"

_NISTCOM_HEADER = "NIST_COM"


def _accept(prefix):
    """A WSQ stream starts with its start-of-image marker FF A0 and then another marker."""
    return len(prefix) >= 4 and prefix[:2] == b"\xff\xa0" and prefix[2] == 0xFF


def _set_mode(image, mode):
    # Pillow 10.1 made Image.mode a read-only property over _mode; 9.x has a plain attribute.
    if isinstance(getattr(type(image), "mode", None), property):
        image._mode = mode
    else:
        image.mode = mode


class WsqImageFile(ImageFile.ImageFile):
    format = FORMAT
    format_description = "WSQ fingerprint image"

    def _open(self):
        try:
            facts = libwsq.read_facts(self.fp.read())
        except libwsq.WsqError as error:
            # SyntaxError is how a plug-in tells Pillow the file is not one it can open.
            raise SyntaxError(f"not a readable WSQ stream: {error}") from error
        self._size = (facts["width"], facts["height"])
        _set_mode(self, "L")
        if facts["ppi"] is not None:
            self.info["dpi"] = (facts["ppi"], facts["ppi"])
        self.info["comments"] = facts["comments"]
        plain = [text for text in facts["comments"] if not text.startswith(_NISTCOM_HEADER)]
        if plain:
            self.info["comment"] = plain[-1]
        if facts["nistcom"] is not None:
            self.info["nistcom"] = facts["nistcom"]
        self.tile = [(FORMAT, (0, 0) + self.size, 0, None)]


class WsqDecoder(ImageFile.PyDecoder):
    _pulls_fd = True

    def decode(self, buffer):
        try:
            pixels, _ = libwsq.decode(self.fd.read())
        except libwsq.WsqError as error:
            raise OSError(f"cannot decode WSQ stream: {error}") from error
        if pixels.shape != (self.state.ysize, self.state.xsize):
            raise OSError(
                f"the WSQ stream decoded to {pixels.shape[1]} x {pixels.shape[0]} pixels, "
                f"its header said {self.state.xsize} x {self.state.ysize}"
            )
        self.set_as_raw(pixels)
        return -1, 0


def _ppi(im, params):
    if params.get("ppi") is not None:
        return params["ppi"]
    dpi = params.get("dpi", im.info.get("dpi"))
    if dpi is None:
        return None
    return int(round(dpi[0]))


def _save(im, fp, filename):
    if im.mode != "L":
        raise OSError(f"cannot write mode {im.mode} as WSQ")
    params = im.encoderinfo
    fp.write(
        libwsq.encode(
            im,
            bitrate=params.get("bitrate", 0.75),
            ppi=_ppi(im, params),
            comment=params.get("comment", im.info.get("comment")),
            nistcom=params.get("nistcom"),
        )
    )


def register():
    """Registers the WSQ format with Pillow: opening, saving, the extension and the MIME type."""
    Image.register_open(FORMAT, WsqImageFile, _accept)
    Image.register_decoder(FORMAT, WsqDecoder)
    Image.register_save(FORMAT, _save)
    Image.register_extensions(FORMAT, EXTENSIONS)
    Image.register_mime(FORMAT, MIME)


register()
