#!/usr/bin/env python3
"""Runs SQL statements on a Windows Installer package, in order, and saves the package.

    scripts/msi-sql.py PACKAGE STATEMENT...

wixl writes no table for what it has no element for (component searches, files to remove,
component conditions); scripts/package.sh adds those rows with this. It uses libmsi, the library
that wixl itself writes packages with (Debian's wixl brings it). A SELECT prints its rows, one a
line, fields separated by a tab. A failing statement ends the run with exit code 1, and the
package is not saved then.
"""
import ctypes
import sys

READ_WRITE = 4  # LIBMSI_DB_FLAGS_TRANSACT: changes are written by the commit only.


class GError(ctypes.Structure):
    _fields_ = [("domain", ctypes.c_uint32), ("code", ctypes.c_int), ("message", ctypes.c_char_p)]


def load():
    msi = ctypes.CDLL("libmsi.so.0")
    pointer = ctypes.c_void_p
    errors = ctypes.POINTER(ctypes.POINTER(GError))
    msi.libmsi_database_new.restype = pointer
    msi.libmsi_database_new.argtypes = [ctypes.c_char_p, ctypes.c_uint, ctypes.c_char_p, errors]
    msi.libmsi_database_commit.argtypes = [pointer, errors]
    msi.libmsi_query_new.restype = pointer
    msi.libmsi_query_new.argtypes = [pointer, ctypes.c_char_p, errors]
    msi.libmsi_query_execute.argtypes = [pointer, pointer, errors]
    msi.libmsi_query_fetch.restype = pointer
    msi.libmsi_query_fetch.argtypes = [pointer, errors]
    msi.libmsi_query_close.argtypes = [pointer, errors]
    msi.libmsi_record_get_field_count.argtypes = [pointer]
    msi.libmsi_record_get_string.restype = ctypes.c_void_p  # a g_malloc'ed string, freed below
    msi.libmsi_record_get_string.argtypes = [pointer, ctypes.c_uint]
    glib = ctypes.CDLL("libglib-2.0.so.0")
    glib.g_free.argtypes = [ctypes.c_void_p]
    gobject = ctypes.CDLL("libgobject-2.0.so.0")
    gobject.g_object_unref.argtypes = [pointer]
    return msi, glib, gobject


def fail(what, error):
    message = error.contents.message.decode("utf-8", "replace") if error else "no reason given"
    sys.exit(f"msi-sql: {what}: {message}")


def main(arguments):
    if len(arguments) < 2:
        sys.exit(__doc__.strip().splitlines()[2].strip())
    msi, glib, gobject = load()
    package = arguments[0].encode()
    error = ctypes.POINTER(GError)()
    database = msi.libmsi_database_new(package, READ_WRITE, package, ctypes.byref(error))
    if not database:
        fail(f"cannot open {arguments[0]}", error)
    for statement in arguments[1:]:
        query = msi.libmsi_query_new(database, statement.encode(), ctypes.byref(error))
        if not query or not msi.libmsi_query_execute(query, None, ctypes.byref(error)):
            fail(statement, error)
        if statement.lstrip().upper().startswith("SELECT"):
            while True:
                record = msi.libmsi_query_fetch(query, None)
                if not record:
                    break
                fields = []
                for field in range(1, msi.libmsi_record_get_field_count(record) + 1):
                    text = msi.libmsi_record_get_string(record, field)
                    fields.append(ctypes.string_at(text).decode() if text else "")
                    glib.g_free(text)
                print("\t".join(fields))
                gobject.g_object_unref(record)
        msi.libmsi_query_close(query, None)
        gobject.g_object_unref(query)
    if not msi.libmsi_database_commit(database, ctypes.byref(error)):
        fail(f"cannot save {arguments[0]}", error)
    gobject.g_object_unref(database)


if __name__ == "__main__":
    main(sys.argv[1:])
