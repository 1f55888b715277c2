"""Type stub of the module Quillmere, which the program offers to its script.

For editors and type checkers: the module itself exists only inside the
running program. Window handles are ints (the handle's signed 32-bit value),
as the script's filters and handlers receive them.
"""

from typing import TypedDict


class WindowProperty(TypedDict):
    parent: int
    owner: int
    is_visible: bool
    is_enabled: bool
    title: str
    classname: str


def log(message: str, /) -> None:
    """add log message"""


def getWindowProperty(hwnd: int, /) -> WindowProperty:
    """get window property"""


def doShadeWindow(hwnd: int, flag: int, /) -> None:
    """shade/unshade window"""


def doTransparentWindow(hwnd: int, flag: int, /) -> None:
    """make/cancel transparent window"""


def doTopmostWindow(hwnd: int, flag: int, /) -> None:
    """make/cancel window keep top most"""
