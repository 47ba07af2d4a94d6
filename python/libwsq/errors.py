"""WsqError: how the codec's failures reach Python."""


class WsqError(Exception):
    """A failure of the codec or of the library's own checks.

    ``code`` is the library's negative code: the codec's own small codes (-2, -3, ...), or
    ERROR_ARGUMENT (-1001), ERROR_MEMORY, ERROR_NO_PICTURE, ERROR_NO_FRAME as the C header
    defines them. ``message`` is the library's one-line account of it.
    """

    def __init__(self, code, message):
        super().__init__(code, message)
        self.code = code
        self.message = message

    def __str__(self):
        return f"{self.message} (code {self.code})"
