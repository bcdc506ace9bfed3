#!/usr/bin/env python3
"""Drives libkavelup.so through its C interface with ctypes, as a program in another language
would: the host's request and session are Python callbacks, files go to a temporary directory.

usage: c_interface_test.py path/to/libkavelup.so
"""
import ctypes
import os
import re
import sys
import tempfile

HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                      "..", "..", "src", "upload", "include", "kavelup.h")

TOTAL_BYTES = ctypes.CFUNCTYPE(ctypes.c_int64, ctypes.c_void_p)
BINARY_READ = ctypes.CFUNCTYPE(ctypes.c_int64, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int64)
SESSION_ID = ctypes.CFUNCTYPE(ctypes.c_char_p, ctypes.c_void_p)


class Host(ctypes.Structure):
    _fields_ = [("context", ctypes.c_void_p),
                ("total_bytes", TOTAL_BYTES),
                ("binary_read", BINARY_READ),
                ("session_id", SESSION_ID),
                ("temporary_folder", ctypes.c_char_p),
                ("default_directory", ctypes.c_char_p)]


class RawPart(ctypes.Structure):
    _fields_ = [("name", ctypes.c_void_p), ("name_length", ctypes.c_size_t),
                ("file_name", ctypes.c_void_p), ("file_name_length", ctypes.c_size_t),
                ("file_type", ctypes.c_void_p), ("file_type_length", ctypes.c_size_t),
                ("content", ctypes.c_void_p), ("content_length", ctypes.c_size_t),
                ("is_file", ctypes.c_int)]


def load(path):
    lib = ctypes.CDLL(path)
    obj = ctypes.c_void_p
    signatures = {
        "kavelup_create": (obj, []),
        "kavelup_destroy": (None, [obj]),
        "kavelup_set_code_page": (ctypes.c_int, [obj, ctypes.c_char_p]),
        "kavelup_set_request_limit": (None, [obj, ctypes.c_int64]),
        "kavelup_on_start_page": (None, [obj, ctypes.POINTER(Host)]),
        "kavelup_on_end_page": (None, [obj]),
        "kavelup_max_size": (None, [obj, ctypes.c_int64]),
        "kavelup_max_size_text": (None, [obj, ctypes.c_char_p]),
        "kavelup_path": (None, [obj, ctypes.c_char_p]),
        "kavelup_upload": (None, [obj]),
        "kavelup_count": (ctypes.c_int64, [obj]),
        "kavelup_save": (None, [obj, ctypes.c_char_p, ctypes.c_int64, ctypes.c_char_p]),
        "kavelup_save_all": (None, [obj, ctypes.c_int64]),
        "kavelup_file_name": (ctypes.c_char_p, [obj, ctypes.c_char_p]),
        "kavelup_size": (ctypes.c_int64, [obj, ctypes.c_char_p]),
        "kavelup_form": (ctypes.c_int, [obj, ctypes.c_char_p, ctypes.POINTER(ctypes.c_void_p),
                                        ctypes.POINTER(ctypes.c_size_t)]),
        "kavelup_file_type": (ctypes.c_char_p, [obj, ctypes.c_char_p]),
        "kavelup_field_name": (ctypes.c_char_p, [obj, ctypes.c_int64]),
        "kavelup_errors": (ctypes.c_char_p, [obj]),
        "kavelup_raw_part_at": (ctypes.c_int, [obj, ctypes.c_int64, ctypes.POINTER(RawPart)]),
    }
    # Without a declared signature ctypes passes and returns C ints, which cuts pointers and
    # 64-bit values: every function of the header must be declared here.
    with open(HEADER, encoding="utf-8") as f:
        declared = set(re.findall(r"\b(kavelup_[a-z_]+)\s*\(", f.read()))
    check(declared == set(signatures),
          "signatures differ from the header: %s" % sorted(declared ^ set(signatures)))
    for name, (restype, argtypes) in signatures.items():
        fn = getattr(lib, name)
        fn.restype = restype
        fn.argtypes = argtypes
    return lib


def multipart(boundary, parts):
    out = b""
    for name, filename, content in parts:
        out += b"--" + boundary + b"\r\nContent-Disposition: form-data; name=\"" + name + b"\""
        if filename is not None:
            out += b"; filename=\"" + filename + b"\"\r\nContent-Type: application/octet-stream"
        out += b"\r\n\r\n" + content + b"\r\n"
    return out + b"--" + boundary + b"--\r\n"


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def main():
    lib = load(sys.argv[1])
    binary = bytes(range(256)) + b"\r\n--XyZ\r\n"
    body = multipart(b"XyZ0123", [
        (b"upfile", b"C:\\docs\\report.b.bin", binary),
        (b"\xd6\xd0", b"\xce\xc4.txt", b"gbk named"),   # GBK: name and file name in Chinese
        (b"note", None, b"\xc4\xe3\xba\xc3"),             # a plain field: "你好"
    ])

    with tempfile.TemporaryDirectory() as root:
        temp = os.path.join(root, "tmp")
        target = os.path.join(root, "up")
        os.mkdir(temp)
        os.mkdir(target)

        position = [0]

        def total_bytes(_):
            return len(body)

        def binary_read(_, buffer, count):
            chunk = body[position[0]:position[0] + min(count, 1000)]  # short reads on purpose
            ctypes.memmove(buffer, chunk, len(chunk))
            position[0] += len(chunk)
            return len(chunk)

        def session_id(_):
            return b"py-session"

        callbacks = (TOTAL_BYTES(total_bytes), BINARY_READ(binary_read), SESSION_ID(session_id))
        host = Host(None, *callbacks, temp.encode(), None)

        u = lib.kavelup_create()
        check(lib.kavelup_set_code_page(u, b"klingon") == -1, "unknown code page accepted")
        lib.kavelup_on_start_page(u, ctypes.byref(host))
        lib.kavelup_max_size_text(u, b"not a number")  # 100000
        lib.kavelup_path(u, target.encode())
        lib.kavelup_upload(u)

        check(lib.kavelup_count(u) == 3, "count")
        check(lib.kavelup_field_name(u, 1).decode() == "中", "GBK field name")
        check(lib.kavelup_file_name(u, b"upfile") == b"report.b.bin", "file name")
        check(lib.kavelup_file_type(u, b"upfile") == b"bin", "file type")
        check(lib.kavelup_file_name(u, "中".encode()).decode() == "文.txt", "GBK file name")
        check(lib.kavelup_size(u, b"upfile") == len(binary), "size")
        check(lib.kavelup_size(u, b"nothing") == -1, "size of a missing field")

        data, length = ctypes.c_void_p(), ctypes.c_size_t()
        kind = lib.kavelup_form(u, b"upfile", ctypes.byref(data), ctypes.byref(length))
        check(kind == 2 and ctypes.string_at(data, length.value) == binary, "file content")
        kind = lib.kavelup_form(u, b"note", ctypes.byref(data), ctypes.byref(length))
        check(kind == 1 and ctypes.string_at(data, length.value).decode() == "你好", "field text")

        raw = RawPart()
        check(lib.kavelup_raw_part_at(u, 1, ctypes.byref(raw)) == 0, "raw part")
        check(ctypes.string_at(raw.name, raw.name_length) == b"\xd6\xd0", "raw name")
        check(lib.kavelup_raw_part_at(u, 3, ctypes.byref(raw)) == -1, "raw part past the end")

        check(len(os.listdir(temp)) == 1, "one private directory for the page")
        lib.kavelup_save_all(u, 0)
        lib.kavelup_save(u, b"upfile", 0, None)
        lib.kavelup_save(u, b"upfile", 2, b"copy.bin")
        errors = lib.kavelup_errors(u).decode()
        check(errors == "note内容不是一个文件，不能保存<br>report.b.bin 文件已经存在<br>",
              "errors: " + errors)

        lib.kavelup_on_end_page(u)
        check(os.listdir(temp) == [], "temporary files left: %s" % os.listdir(temp))
        with open(os.path.join(target, "report.b.bin"), "rb") as f:
            check(f.read() == binary, "saved bytes")
        with open(os.path.join(target, "copy.bin"), "rb") as f:
            check(f.read() == binary, "saved copy")
        with open(os.path.join(target, "文.txt"), "rb") as f:
            check(f.read() == b"gbk named", "saved under the decoded name")
        # Still readable after the page, and destroying twice-ended objects is fine.
        check(lib.kavelup_count(u) == 3, "count after the page")
        lib.kavelup_destroy(u)

        # An object destroyed without ending its page leaves no temporary file either.
        position[0] = 0
        u = lib.kavelup_create()
        lib.kavelup_on_start_page(u, ctypes.byref(host))
        lib.kavelup_upload(u)
        check(len(os.listdir(temp)) == 1, "temporary files during the page")
        lib.kavelup_destroy(u)
        check(os.listdir(temp) == [], "temporary files after destroy")

        # The request limit reaches the object whole (a 64-bit value through a 64-bit pointer).
        position[0] = 0
        u = lib.kavelup_create()
        lib.kavelup_set_request_limit(u, len(body) - 1)
        lib.kavelup_on_start_page(u, ctypes.byref(host))
        lib.kavelup_upload(u)
        check(lib.kavelup_count(u) == 0, "a body over the limit is not read")
        check(str(len(body) - 1) in lib.kavelup_errors(u).decode(), "limit in the message")
        lib.kavelup_destroy(u)

        # A new name never leaves the target directory; names that are no file are refused.
        position[0] = 0
        u = lib.kavelup_create()
        lib.kavelup_on_start_page(u, ctypes.byref(host))
        lib.kavelup_max_size(u, 1 << 20)
        lib.kavelup_path(u, target.encode())
        lib.kavelup_upload(u)
        lib.kavelup_save(u, b"upfile", 2, b"../escaped.bin")
        lib.kavelup_save(u, b"upfile", 2, b"sub/inner.bin")
        lib.kavelup_save(u, b"upfile", 2, b"..")
        lib.kavelup_save(u, b"upfile", 2, b"tab\there.bin")
        errors = lib.kavelup_errors(u).decode()
        check(errors == "upfile内容不是一个文件，不能保存<br>" * 2, "refused names: " + errors)
        check(os.path.exists(os.path.join(target, "escaped.bin")), "saved in the target")
        check(os.path.exists(os.path.join(target, "inner.bin")), "saved in the target itself")
        check(not os.path.exists(os.path.join(root, "escaped.bin")), "climbed out")
        lib.kavelup_destroy(u)

        # An empty default directory is a configuration error, never the root.
        position[0] = 0
        empty_default = Host(None, *callbacks, temp.encode(), b"")
        u = lib.kavelup_create()
        lib.kavelup_on_start_page(u, ctypes.byref(empty_default))
        lib.kavelup_max_size(u, 1 << 20)
        lib.kavelup_upload(u)
        lib.kavelup_save_all(u, 2)
        errors = lib.kavelup_errors(u).decode()
        check(errors.startswith("服务器设置错误") and errors.count("<br>") == 1,
              "empty default directory: " + errors)
        check(not os.path.exists("/report.b.bin"), "saved into the root")
        lib.kavelup_destroy(u)

    print("C interface: all checks passed")


if __name__ == "__main__":
    main()
