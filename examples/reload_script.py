# A second script for the reload example (examples/reload.scenario): the
# same handlers as quillmere_script.py, except that windows whose title
# contains "Pinned" roll up too. quillmere-sim's `script-file reload_script.py`
# saves it over the running script, and Quillmere reloads it.

import Quillmere


def on_add(hwnd, title, classname):
    if classname == "QuillmereMainWindow":
        return False
    Quillmere.log(u"reloaded script manages: %s" % title)
    return True


def every_window(hwnd, title, classname):
    return True


def on_shade(hwnd, title, classname):
    Quillmere.doShadeWindow(hwnd, 1)
    Quillmere.doTransparentWindow(hwnd, 1)
    return True


def after_shade(hwnd, title, classname):
    Quillmere.log(u"rolled up: %s" % title)


def on_unshade(hwnd, title, classname):
    Quillmere.doTransparentWindow(hwnd, 0)
    Quillmere.doShadeWindow(hwnd, 0)
    return True


def after_unshade(hwnd, title, classname):
    Quillmere.log(u"rolled down: %s" % title)


def configure():
    return ([every_window], on_add, None, on_shade, on_unshade, after_unshade, after_shade)
