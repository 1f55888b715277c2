# An example script for Quillmere.
#
# Quillmere runs this file once at start, then calls configure() and keeps
# what it returns: a list of filters and six handlers. Every filter and
# handler is called with the same three arguments:
#
#     hwnd       the window's handle (an int)
#     title      the window's title (a str)
#     classname  the window's class name (a str)
#
# The module Quillmere lets the script act on windows:
#
#     Quillmere.log(text)                      add a line to the program's log
#     Quillmere.getWindowProperty(hwnd)        dict: parent, owner, is_visible,
#                                              is_enabled, title, classname
#     Quillmere.doShadeWindow(hwnd, flag)      roll up (1) or down (0)
#     Quillmere.doTransparentWindow(hwnd, flag) translucent (1) or opaque (0)
#     Quillmere.doTopmostWindow(hwnd, flag)    keep above others (1) or not (0)

import Quillmere

# Windows whose title contains one of these words are never managed.
KEEP_UNMANAGED = ("Keep",)

# Windows whose title contains one of these words are managed but never
# rolled up.
NEVER_SHADE = ("Pinned",)


def on_add(hwnd, title, classname):
    """Called when a top-level window appears. Returning False leaves the
    window unmanaged (it is asked again the next time it is shown); any other
    result manages it."""
    if classname == "QuillmereMainWindow":
        return False  # the program's own window
    for word in KEEP_UNMANAGED:
        if word in title:
            Quillmere.log(u"left alone: %s" % title)
            return False
    Quillmere.log(u"managing: %s" % title)
    return True


def never_shade(hwnd, title, classname):
    """A filter. Only the result True lets a window roll up; anything else
    asks the next filter. So this one answers None for the windows it
    protects, and they end up not shaded when no later filter says True."""
    for word in NEVER_SHADE:
        if word in title:
            return None
    return True


def on_shade(hwnd, title, classname):
    """The focus left the window for another application and a filter said
    True. Returning False cancels; anything else goes on."""
    Quillmere.doShadeWindow(hwnd, 1)
    Quillmere.doTransparentWindow(hwnd, 1)
    return True


def after_shade(hwnd, title, classname):
    Quillmere.log(u"rolled up: %s" % title)


def on_unshade(hwnd, title, classname):
    """The focus came back to a rolled-up window, or the program is closing
    and puts every window back."""
    Quillmere.doTransparentWindow(hwnd, 0)
    Quillmere.doShadeWindow(hwnd, 0)
    return True


def after_unshade(hwnd, title, classname):
    Quillmere.log(u"rolled down: %s" % title)


def on_destroy(hwnd, title, classname):
    Quillmere.log(u"closed: %d" % hwnd)


def configure():
    # filters, onAdd, onDestroy, onShade, onUnshade, afterUnshade, afterShade
    return ([never_shade], on_add, on_destroy, on_shade, on_unshade,
            after_unshade, after_shade)
