"""Loads libovardx.so and declares the functions of its C interface (ovardx.h).

Where the library comes from, first match wins:

1. the file named by the environment variable OVARDX_LIBRARY;
2. the library of the installation this module belongs to (the path the
   installation wrote into _location.py, relative to this folder);
3. libovardx.so.0 through the dynamic loader (LD_LIBRARY_PATH, ld.so.conf).
"""

import ctypes
import os

LIBRARY_ENVIRONMENT_VARIABLE = "OVARDX_LIBRARY"
SONAME = "libovardx.so.0"


def library_path():
    """The path (or the soname) the library is loaded from."""
    named = os.environ.get(LIBRARY_ENVIRONMENT_VARIABLE)
    if named:
        return named
    try:
        from . import _location
    except ImportError:
        return SONAME
    installed = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), _location.LIBRARY))
    return installed if os.path.exists(installed) else SONAME


lib = ctypes.CDLL(library_path())

# Out arguments are char**: the library allocates, ovardx_free releases.
Text = ctypes.c_char_p
Out = ctypes.POINTER(ctypes.c_void_p)
Handle = ctypes.c_void_p
HandleOut = ctypes.POINTER(ctypes.c_void_p)
Int = ctypes.c_int

PROGRESS_CALLBACK = ctypes.CFUNCTYPE(Int, ctypes.c_void_p, ctypes.c_int32, ctypes.c_int32)
MESSAGE_HOOK = ctypes.CFUNCTYPE(Int, ctypes.c_void_p)

_PROTOTYPES = {
    "ovardx_libversion": (Text, []),
    "ovardx_libversion_number": (Int, []),
    "ovardx_free": (None, [ctypes.c_void_p]),
    "ovardx_register_erp_stand_ins": (Int, [Out]),
    "ovardx_set_message_hook": (Int, [MESSAGE_HOOK, ctypes.c_void_p]),
    "ovardx_arap_plan_create": (Int, [HandleOut, Out]),
    "ovardx_arap_plan_release": (None, [Handle]),
    "ovardx_arap_plan_export": (Int, [Handle, Text, Out, ctypes.c_int32, Text, Out, Out, Out]),
    "ovardx_arap_plan_filter": (Int, [Handle, Text]),
    "ovardx_receive_bill_create": (Int, [HandleOut, Out]),
    "ovardx_receive_bill_release": (None, [Handle]),
    "ovardx_receive_bill_export": (Int, [Handle, Text, Out, ctypes.c_int16, ctypes.c_int32, Text, Out, Out, Out]),
    "ovardx_receive_bill_filter": (Int, [Handle, Text]),
    "ovardx_contract_create": (Int, [HandleOut, Out]),
    "ovardx_contract_release": (None, [Handle]),
    "ovardx_contract_export": (Int, [Handle, Text, Out, ctypes.c_int16, ctypes.c_int32, Text, Out, Out, Out]),
    "ovardx_contract_import": (Int, [Handle, Text, Text, Out, ctypes.c_int32]),
    "ovardx_contract_filter": (Int, [Handle, Text]),
    "ovardx_contract_check_by_uuid": (Int, [Handle, Int]),
    "ovardx_contract_add_new_only": (Int, [Handle, Int]),
    "ovardx_contract_b_progress": (Int, [Handle, Int]),
    "ovardx_contract_on_progress": (Int, [Handle, PROGRESS_CALLBACK, ctypes.c_void_p]),
    "ovardx_data_key_create": (Int, [HandleOut, Out]),
    "ovardx_data_key_release": (None, [Handle]),
    "ovardx_data_key_export_xml_data_key": (
        Int, [Handle, Text, ctypes.c_int16, Out, ctypes.c_int32, Text, Out, Out, Out]),
    "ovardx_data_key_import_xml_data_key": (Int, [Handle, Text, ctypes.c_int16, Text, Out]),
}

for _name, (_result, _arguments) in _PROTOTYPES.items():
    _function = getattr(lib, _name)
    _function.restype = _result
    _function.argtypes = _arguments


def text_in(text):
    """Python text as the library takes it (UTF-8; None is the empty text)."""
    return None if text is None else text.encode("utf-8")


def take(out):
    """The text of an out argument, which is freed; None for NULL."""
    if not out.value:
        return None
    try:
        return ctypes.string_at(out.value).decode("utf-8")
    finally:
        lib.ovardx_free(out.value)
        out.value = None
