#!/usr/bin/env python3
"""kavelup.cgi on two whole requests, run as a web server runs it (the body on standard input,
the settings in the environment), against a CGI that only copies standard input to a file:

  (a) one file of 500 MB: peak resident memory and time;
  (b) 10,000 files of 150 bytes in one request, saved durably to a directory on disk: time.

usage: bench/upload-requests.py path/to/kavelup.cgi [--dir DIR] [--megabytes 500]
                                [--files 10000] [--other-cgi path/to/another/kavelup.cgi]

DIR (default /var/tmp) holds the bodies, the temporary folder and the saved files; it should be
on the disk the uploads would go to. --other-cgi runs a second build on the same requests;
--megabytes 0 leaves (a) out.

On ext4, creating files in a block group where many files were deleted in the last minute or
so is several times slower (the allocator passes over recently freed inodes), so (b) is best run
on its own, a minute after anything that deleted many files on the same disk.
"""
import argparse
import os
import random
import shutil
import subprocess
import tempfile
import time


def run(argv, body_path, env, stdout):
    """Runs one request; returns (wall seconds, peak resident bytes, first output bytes).
    GNU time starts the program and reports its peak resident memory: a child of this script
    would count the script's own memory too, which the child held until it started the
    program."""
    with open(body_path, "rb") as stdin, tempfile.NamedTemporaryFile("r") as report:
        start = time.monotonic()
        process = subprocess.Popen(["/usr/bin/time", "-o", report.name, "-f", "%M"] + argv,
                                   stdin=stdin, stdout=stdout, stderr=subprocess.DEVNULL, env=env)
        out = process.stdout.read(200) if stdout == subprocess.PIPE else b""
        if stdout == subprocess.PIPE:
            process.stdout.read()
        code = process.wait()
        elapsed = time.monotonic() - start
        peak = int(report.read().split()[-1]) * 1024
    if code != 0:
        raise SystemExit("%s failed: %r" % (argv[0], out))
    return elapsed, peak, out


def cgi_env(work, length, **extra):
    for d in ("tmp", "up"):
        shutil.rmtree(os.path.join(work, d), ignore_errors=True)
        os.mkdir(os.path.join(work, d))
    return dict(os.environ, REQUEST_METHOD="POST", CONTENT_LENGTH=str(length),
                HTTP_ACCEPT="application/json", KAVELUP_PATH=os.path.join(work, "up"),
                KAVELUP_TEMP=os.path.join(work, "tmp"), KAVELUP_MAXSIZE=str(1 << 40),
                KAVELUP_REQUEST_LIMIT=str(1 << 40), **extra)


def copy_to_file(work, body_path):
    """The baseline: a program that copies standard input to a file and flushes it to disk."""
    out_path = os.path.join(work, "copy.out")
    result = run(["dd", "of=" + out_path, "bs=64K", "conv=fsync", "status=none"], body_path,
                 dict(os.environ), subprocess.DEVNULL)
    os.remove(out_path)
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cgi")
    parser.add_argument("--dir", default="/var/tmp")
    parser.add_argument("--megabytes", type=int, default=500)
    parser.add_argument("--files", type=int, default=10000)
    parser.add_argument("--other-cgi")
    args = parser.parse_args()
    cgis = [("kavelup.cgi", os.path.abspath(args.cgi))]
    if args.other_cgi:
        cgis.append(("other kavelup.cgi", os.path.abspath(args.other_cgi)))
    work = tempfile.mkdtemp(prefix="kavelup-requests-", dir=args.dir)
    try:
        # (a) one large file of random bytes.
        big = os.path.join(work, "big.body")
        if args.megabytes == 0:
            args.megabytes = None
        head = b"--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"big.bin\"\r\n\r\n"
        block = random.Random(5).randbytes(1 << 20)
        with open(big, "wb") as f:
            f.write(head)
            for i in range(args.megabytes or 0):
                f.write(block[i % 4096:] + block[:i % 4096])
            f.write(b"\r\n--B--\r\n")
        length = os.path.getsize(big)
        if args.megabytes:
            print("(a) one file of %d MB (%d bytes of body)" % (args.megabytes, length))
            print("    %-28s %10s %14s" % ("program", "time", "peak resident"))
            base_time, base_rss, _ = copy_to_file(work, big)
            print("    %-28s %8.2f s %11.1f MB" % ("dd conv=fsync (baseline)", base_time, base_rss / 1e6))
        for name, cgi in cgis if args.megabytes else []:
            elapsed, rss, out = run([cgi], big, cgi_env(work, length), subprocess.PIPE)
            if not out.startswith(b"Status: 200"):
                raise SystemExit("%s: %r" % (name, out))
            print("    %-28s %8.2f s %11.1f MB   (%.1fx the baseline's memory)"
                  % (name, elapsed, rss / 1e6, rss / base_rss))
        os.remove(big)

        # (b) many small files in one request.
        many = os.path.join(work, "many.body")
        with open(many, "wb") as f:
            for i in range(args.files):
                f.write(b"--B\r\nContent-Disposition: form-data; name=\"f%d\"; filename=\"f%05d.txt\"\r\n"
                        b"Content-Type: text/plain\r\n\r\n" % (i, i))
                f.write(("%05d " % i).encode() + b"x" * 143 + b"\n\r\n")
            f.write(b"--B--\r\n")
        length = os.path.getsize(many)
        print("(b) %d files of 150 bytes in one request (%d bytes of body), saved to %s"
              % (args.files, length, args.dir))
        base_time, _, _ = copy_to_file(work, many)
        print("    %-28s %8.2f s   (the body alone, one file)" % ("dd conv=fsync (baseline)", base_time))
        for name, cgi in cgis:
            elapsed, _, out = run([cgi], many, cgi_env(work, length), subprocess.PIPE)
            saved = len(os.listdir(os.path.join(work, "up")))
            if not out.startswith(b"Status: 200") or saved != args.files:
                raise SystemExit("%s: %d files saved, %r" % (name, saved, out))
            print("    %-28s %8.2f s   (%.1f ms per 1,000 files)"
                  % (name, elapsed, elapsed * 1e6 / args.files))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
