"""OVArDataExchange for Python: the four exchange classes over the library's
C interface (ovardx.h), with ctypes only.

The classes and their methods carry the C++ names (clsArapPlan.Export, ...).
Out arguments become results: an export answers a Page (xml, time_stamp,
max_time_stamp), an import answers None. A call that the library answers
with false raises ovardx.Error, whose text is the library's strError; a
failed export never moves the bound, so asking again with the same
time_stamp loses nothing. pages() iterates over the pages of an export as a
generator.

Rules of the library that hold here too: an object is used on the thread
that created it (a call from another thread raises Error); the message hook
and the session are per thread; callbacks run on the calling thread in the
middle of the call, and an exception a callback raises stops the call and
is raised again by the method that was running.

The library is found as _native.library_path() says: the environment
variable OVARDX_LIBRARY, else the installation this module belongs to,
else libovardx.so.0 through the dynamic loader.
"""

import collections
import ctypes
import threading

from . import _native

__all__ = ["Error", "Page", "ZERO_TIME_STAMP", "clsArapPlan", "clsReceiveBill", "clsContract", "clsDataKey",
           "register_erp_stand_ins", "set_message_hook", "version"]

# The bound an export answers when nothing changed after the bound asked for.
ZERO_TIME_STAMP = "0x0000000000000000"

Page = collections.namedtuple("Page", "xml time_stamp max_time_stamp")
Page.__doc__ = """One page of an export: the document, the bound to ask from next (store it
to resume), and the newest timestamp of the kind."""


class Error(Exception):
    """A call failed. text: the library's error text as it stands. For a
    three-line error text ("number / source / description", labels in the
    session's language) number, source and description hold its parts;
    for any other text (the gate's refusal, a reader's message) number and
    source are None and description is the text."""

    def __init__(self, text):
        super().__init__(text)
        self.text = text or ""
        self.number, self.source, self.description = None, None, self.text
        lines = self.text.split("\r\n", 2)
        if len(lines) == 3 and all(":" in line for line in lines):
            number, source, description = (line.split(":", 1)[1] for line in lines)
            try:
                self.number, self.source, self.description = int(number), source, description
            except ValueError:
                pass


_thread = threading.local()


def _callback(function):
    """Wraps a Python callback for the library: an exception is kept for the
    method that is running and stops the call (the callback answers 1)."""

    def call(*arguments):
        try:
            function(*arguments)
            return 0
        except BaseException as error:  # every exception stops the call
            _thread.pending = error
            return 1

    return call


# Marks a char** out argument of a C function in _call's arguments.
_OUT = object()


def _call(function, *arguments):
    """Calls a C function; answers (its answer, the texts of its out
    arguments in order). An exception a callback raised during the call is
    raised here."""
    outs = [ctypes.c_void_p() for argument in arguments if argument is _OUT]
    out = iter(outs)
    passed = [ctypes.byref(next(out)) if argument is _OUT else argument for argument in arguments]
    _thread.pending = None
    try:
        answer = function(*passed)
    finally:
        texts = [_native.take(text) for text in outs]
    pending, _thread.pending = getattr(_thread, "pending", None), None
    if pending is not None:
        raise pending
    return answer, texts


def version():
    """The version of the loaded library, "major.minor.patch"."""
    return _native.lib.ovardx_libversion().decode("ascii")


def register_erp_stand_ins():
    """Registers the stand-ins of the ERP's business components for the
    embedded SQLite database, so that imports can save and delete there, as
    the ovardx tool does. Process-wide."""
    answer, (error,) = _call(_native.lib.ovardx_register_erp_stand_ins, _OUT)
    if not answer:
        raise Error(error)


def set_message_hook(hook):
    """The calling thread's message hook hook(): the contract export and
    import call it between two contracts. None removes it."""
    # The C function pointer must live as long as it is the thread's hook.
    _thread.hook = _native.MESSAGE_HOOK(_callback(lambda _user: hook())) if hook else _native.MESSAGE_HOOK()
    if not _native.lib.ovardx_set_message_hook(_thread.hook, None):
        raise Error("out of memory")


class _Object:
    """One object of the library; close() or the end of a with block
    releases it."""

    _prefix = None  # of its C functions: "ovardx_arap_plan", ...

    def __init__(self):
        self._handle = None
        handle = ctypes.c_void_p()
        answer, (error,) = _call(self._function("create"), ctypes.byref(handle), _OUT)
        if not answer:
            raise Error(error)
        self._handle = handle

    def close(self):
        if self._handle is not None:
            self._function("release")(self._handle)
            self._handle = None

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def __del__(self):
        self.close()

    def _function(self, name):
        return getattr(_native.lib, self._prefix + "_" + name)

    def _use(self):
        if self._handle is None:
            raise Error("the object is closed")
        return self._handle

    def _set(self, name, value):
        if not self._function(name)(self._use(), value):
            raise Error("the object belongs to another thread: use it on the thread that created it")

    def _run(self, name, *arguments):
        """Calls a method of the object; answers the texts of its out
        arguments, the last of which is the error."""
        answer, texts = _call(self._function(name), self._use(), *arguments)
        if not answer:
            raise Error(texts[-1])
        return texts

    def _page(self, name, *arguments):
        xml, time_stamp, max_time_stamp, _ = self._run(name, *arguments)
        return Page(xml, time_stamp, max_time_stamp)

    @staticmethod
    def _pages(export, time_stamp):
        while True:
            page = export(time_stamp)
            if page.time_stamp == ZERO_TIME_STAMP:
                return
            yield page
            time_stamp = page.time_stamp


_text = _native.text_in


class clsArapPlan(_Object):
    """Receivable plan entries ("ArApPlan" documents)."""

    _prefix = "ovardx_arap_plan"

    def Export(self, props, per_count=100, time_stamp=""):
        """One page of the plan rows changed after time_stamp ("" from the
        beginning); per_count 0 for no limit."""
        return self._page("export", _text(props), _OUT, per_count, _text(time_stamp), _OUT, _OUT, _OUT)

    def pages(self, props, per_count=100, time_stamp=""):
        """The pages after time_stamp, until nothing is left."""
        return self._pages(lambda bound: self.Export(props, per_count, bound), time_stamp)

    def Filter(self, text):
        """Criteria joined by "||": UUID, Number, Name, DateFrom, DateTo, TSql."""
        self._set("filter", _text(text))


class clsReceiveBill(_Object):
    """Receivable receive bills (pre 0) and advance receipts (pre 1), as
    "ReceiveBill" documents."""

    _prefix = "ovardx_receive_bill"

    def Export(self, props, pre=1, per_count=100, time_stamp=""):
        return self._page("export", _text(props), _OUT, pre, per_count, _text(time_stamp), _OUT, _OUT, _OUT)

    def pages(self, props, pre=1, per_count=100, time_stamp=""):
        return self._pages(lambda bound: self.Export(props, pre, per_count, bound), time_stamp)

    def Filter(self, text):
        """An SQL condition over the columns of t_RP_NewReceiveBill."""
        self._set("filter", _text(text))


class clsContract(_Object):
    """Contracts ("Contract" documents): export, and import through the
    ERP's contract component."""

    _prefix = "ovardx_contract"

    def __init__(self):
        super().__init__()
        self._progress = None

    def Export(self, props, rp=1, per_count=100, time_stamp=""):
        return self._page("export", _text(props), _OUT, rp, per_count, _text(time_stamp), _OUT, _OUT, _OUT)

    def pages(self, props, rp=1, per_count=100, time_stamp=""):
        return self._pages(lambda bound: self.Export(props, rp, per_count, bound), time_stamp)

    def Import(self, props, xml, system_type=1):
        """Saves every contract of the document, in order (see CheckByUUID
        and AddNewOnly); raises Error at the first that fails, the ones
        before it staying saved."""
        self._run("import", _text(props), _text(xml), _OUT, system_type)

    def Filter(self, text):
        """A raw SQL condition over the columns of t_RPContract."""
        self._set("filter", _text(text))

    def CheckByUUID(self, value):
        self._set("check_by_uuid", bool(value))

    def AddNewOnly(self, value):
        self._set("add_new_only", bool(value))

    def bProgress(self, value):
        self._set("b_progress", bool(value))

    def OnProgress(self, handler):
        """The Progress event: handler(cur, total) after each contract; None
        removes it. An exception it raises stops the running call."""
        if handler is None:
            self._set_progress(_native.PROGRESS_CALLBACK())
        else:
            self._set_progress(_native.PROGRESS_CALLBACK(_callback(lambda _user, cur, total: handler(cur, total))))

    def _set_progress(self, callback):
        if not self._function("on_progress")(self._use(), callback, None):
            raise Error("the object belongs to another thread: use it on the thread that created it")
        self._progress = callback  # the C function pointer lives as long as it is registered


class clsDataKey(_Object):
    """Deletion keys ("Delete" documents); bill_type 1 receive bills, 2
    advance receipts, 3 contracts."""

    _prefix = "ovardx_data_key"

    def ExportXMLDataKey(self, props, bill_type, per_count=100, time_stamp=""):
        return self._page("export_xml_data_key", _text(props), bill_type, _OUT, per_count, _text(time_stamp),
                          _OUT, _OUT, _OUT)

    def pages(self, props, bill_type, per_count=100, time_stamp=""):
        return self._pages(lambda bound: self.ExportXMLDataKey(props, bill_type, per_count, bound), time_stamp)

    def ImportXMLDataKey(self, props, bill_type, xml):
        """Deletes the documents the records name; raises Error when any
        record failed (the others are still applied)."""
        self._run("import_xml_data_key", _text(props), bill_type, _text(xml), _OUT)
