# The script of the runs with Wine's own applications and of those with
# applications of both bitnesses: manages the windows of the titles in
# MANAGED (filled in by rolling_script of scripts/wine-session.sh), rolls
# each up when it loses the focus to another application, and writes what
# it does to the log view.
import Quillmere

MANAGED = ()

def on_add(hwnd, title, classname):
    if title not in MANAGED:
        return False
    Quillmere.log("managing %s" % title)
    return True

def every_window(hwnd, title, classname):
    return True

def on_shade(hwnd, title, classname):
    Quillmere.doShadeWindow(hwnd, 1)
    return True

def after_shade(hwnd, title, classname):
    Quillmere.log("rolled up %s" % title)

def on_unshade(hwnd, title, classname):
    Quillmere.doShadeWindow(hwnd, 0)
    return True

def after_unshade(hwnd, title, classname):
    Quillmere.log("rolled down %s" % title)

def on_destroy(hwnd, title, classname):
    pass

def configure():
    return ([every_window], on_add, on_destroy, on_shade, on_unshade, after_unshade, after_shade)
