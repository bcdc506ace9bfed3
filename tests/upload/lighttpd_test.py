#!/usr/bin/env python3
"""kavelup.cgi under Debian's lighttpd (mod_cgi) on a free loopback port, fed by curl -F.

Every setting the CGI program reads comes from the server's environment, so the server
configuration maps a few URL prefixes to the same program with different settings.
The server and the temporary directory are removed whatever happens, and the server also dies
with this script (PR_SET_PDEATHSIG) should the test runner kill it.

usage: lighttpd_test.py path/to/kavelup.cgi
"""
import ctypes
import hashlib
import json
import os
import random
import resource
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

LIGHTTPD = "/usr/sbin/lighttpd"
NOT_A_FILE = "内容不是一个文件，不能保存"
EXISTS = " 文件已经存在"
TOO_LARGE = "内容的大小超出范围"
ZHONGWEN_GBK = "中文名.txt".encode("gbk")


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def die_with_parent():
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class Server:
    def __init__(self, root, cgi):
        self.root = root
        self.www = os.path.join(root, "www")
        self.up = os.path.join(root, "up")
        self.temp = os.path.join(root, "kavelup-tmp")
        for d in (self.www, self.up, self.temp, os.path.join(root, "lighttpd-tmp")):
            os.mkdir(d)
        base = {"KAVELUP_PATH": self.up, "KAVELUP_MAXSIZE": "1000000",
                "KAVELUP_TEMP": self.temp}
        self.sites = {
            "main": base,
            "ow1": dict(base, KAVELUP_OVERWRITE="1"),
            "ow2": dict(base, KAVELUP_OVERWRITE="2"),
            "limit": dict(base, KAVELUP_MAXSIZE="abc"),
            "utf8": dict(base, KAVELUP_CODEPAGE="utf-8"),
            "small": dict(base, KAVELUP_REQUEST_LIMIT="2000"),
            "notemp": dict(base, KAVELUP_TEMP=""),
            "reldefault": dict(base, KAVELUP_PATH="", KAVELUP_DEFAULT_PATH="up"),
        }
        for site in self.sites:
            os.mkdir(os.path.join(self.www, site))
            shutil.copy(cgi, os.path.join(self.www, site, "kavelup.cgi"))
        self.process = None
        self.port = None

    def config(self):
        def env(values):
            return ", ".join('"%s" => "%s"' % kv for kv in sorted(values.items()))
        lines = [
            'server.document-root = "%s"' % self.www,
            'server.bind = "127.0.0.1"',
            "server.port = %d" % self.port,
            'server.modules = ("mod_setenv", "mod_cgi")',
            'server.errorlog = "%s"' % os.path.join(self.root, "error.log"),
            'server.upload-dirs = ("%s")' % os.path.join(self.root, "lighttpd-tmp"),
            'cgi.assign = (".cgi" => "")',
            # The CGI program starts while the body still arrives, so a client that goes away
            # midway leaves it with a short body.
            "server.stream-request-body = 2",
        ]
        for site, values in self.sites.items():
            lines.append('$HTTP["url"] =~ "^/%s/" { setenv.add-environment = (%s) }'
                         % (site, env(values)))
        path = os.path.join(self.root, "lighttpd.conf")
        with open(path, "w") as f:
            f.write("\n".join(lines) + "\n")
        return path

    def start(self):
        # Another program may take the port between our probe and the server's bind: retry.
        for _ in range(5):
            self.port = free_port()
            self.process = subprocess.Popen([LIGHTTPD, "-D", "-f", self.config()],
                                            stdin=subprocess.DEVNULL,
                                            preexec_fn=die_with_parent)
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and self.process.poll() is None:
                try:
                    socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                    return
                except OSError:
                    time.sleep(0.05)
            self.stop()
        raise Failure("lighttpd did not start: " + self.log())

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None

    def log(self):
        try:
            with open(os.path.join(self.root, "error.log"), errors="replace") as f:
                return f.read()
        except OSError:
            return "(no error log)"

    def url(self, site, query=""):
        return "http://127.0.0.1:%d/%s/kavelup.cgi%s" % (self.port, site, query)

    def post(self, site, fields, query="", accept="application/json", cookie=None, status=200):
        """fields: list of (name, value) for text or (name, path, filename) for files; bytes."""
        args = [b"curl", b"-sS", b"--max-time", b"20", b"-D", b"-"]
        if accept:
            args += [b"-H", b"Accept: " + accept.encode()]
        if cookie:
            args += [b"-b", cookie.encode()]
        for field in fields:
            if len(field) == 2:
                args += [b"-F", field[0] + b"=" + field[1]]
            else:
                args += [b"-F", field[0] + b"=@" + field[1].encode() + b";filename=" + field[2]]
        args.append(self.url(site, query).encode())
        out = subprocess.run(args, capture_output=True, check=True, timeout=30).stdout
        head, _, body = out.partition(b"\r\n\r\n")
        check(head.startswith(b"HTTP/1.1 %d" % status), "status: %r" % head[:80])
        # Leftover temporary files would show here at once.
        check(os.listdir(self.temp) == [], "temporary files left: %s" % os.listdir(self.temp))
        if accept == "application/json":
            return head.decode(), json.loads(body)
        return head.decode(), body.decode()

    def post_raw(self, site, body, boundary):
        """A hand-made body, for what curl would not send; returns status line and answer."""
        args = ["curl", "-sS", "--max-time", "20", "-D", "-", "-H", "Accept: application/json",
                "-H", "Content-Type: multipart/form-data; boundary=" + boundary,
                "--data-binary", "@-", self.url(site)]
        out = subprocess.run(args, input=body, capture_output=True, check=True, timeout=30).stdout
        head, _, answer = out.partition(b"\r\n\r\n")
        return head.decode().split("\r\n")[0], answer.decode()

    def saved(self, name):
        with open(os.path.join(self.up, name), "rb") as f:
            return f.read()


def errors(answer):
    """The messages as the Errors property joins them."""
    return "".join(m + "<br>" for m in answer["messages"])


def send_and_vanish(server, body, announced, half_close):
    """A client that announces `announced` bytes, sends `body` and goes away: at once after
    closing its side of the connection, or after a second."""
    with socket.create_connection(("127.0.0.1", server.port), timeout=10) as s:
        s.sendall(b"POST /main/kavelup.cgi HTTP/1.1\r\nHost: localhost\r\n"
                  b"Accept: application/json\r\n"
                  b"Content-Type: multipart/form-data; boundary=B\r\n"
                  b"Content-Length: %d\r\n\r\n" % announced + body)
        if half_close:
            s.shutdown(socket.SHUT_WR)
            try:
                s.recv(1000)
            except OSError:
                pass
        else:
            time.sleep(1)


def wait_until(condition, seconds=10):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.05)
    return condition()


def failures_and_statuses(server, root):
    # A failure in the middle of several files: the name of the second is too long for the
    # file system. The others are saved and each file says what became of it, in Chinese.
    a = write(root, "m1", b"first")
    c = write(root, "m3", b"third")
    long_name = b"n" * 300 + b".txt"
    _, answer = server.post("main", [(b"a", a, b"middle-a.txt"), (b"b", a, long_name),
                                     (b"c", c, b"middle-c.txt")])
    check([f["saved"] for f in answer["fields"]] == [True, False, True], "outcomes: %s" % answer)
    check("文件名太长" in answer["fields"][1]["message"], "reason: %s" % answer)
    check(server.saved("middle-a.txt") == b"first" and server.saved("middle-c.txt") == b"third",
          "the files around the failure saved")
    check(not [n for n in os.listdir(server.up) if n.startswith(".kavelup:")],
          "staging directory left")

    # A client file shaped like a partly written file of an older scheme stays, however old.
    shaped = ".x.txt.part-0123456789abcdef"
    server.post("main", [(b"f", a, shaped.encode())])
    old = time.time() - 7200
    os.utime(os.path.join(server.up, shaped), (old, old))
    server.post("main", [(b"note", b"n")])
    check(server.saved(shaped) == b"first", "a client's file was swept")

    # Boundary text inside data is data; a field with its own Content-Type keeps its value.
    body = (b"--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"bd.txt\"\r\n\r\n"
            b"before--Bafter\r\n"
            b"--B\r\nContent-Disposition: form-data; name=\"j\"\r\nContent-Type: application/json"
            b"\r\n\r\n{}\r\n--B--\r\n")
    status, text = server.post_raw("main", body, "B")
    check(" 200 " in status and server.saved("bd.txt") == b"before--Bafter", "boundary in data")
    check(json.loads(text)["fields"][1]["size"] == 2, "value after the part's headers")

    # A malformed part: 400, the well-formed part is still saved and the other reported.
    body = (b"--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"good.txt\"\r\n\r\n"
            b"good\r\n--B\r\nContent-Disposition: form-data; name=\"g\"\r\nno empty line\r\n--B--\r\n")
    status, text = server.post_raw("main", body, "B")
    check(" 400 " in status, "malformed: " + status)
    check(json.loads(text)["messages"][0] == "上传内容格式错误：第 2 部分找不到头部结尾的空行", text)
    check(server.saved("good.txt") == b"good", "well-formed part of a malformed body")
    status, _ = server.post_raw("main", b"not multipart at all", "B")
    check(" 400 " in status, "no multipart body: " + status)

    # Clients that go away midway: a finished first file must not be saved from a request that
    # never completed.
    part = (b"--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"gone%d.txt\"\r\n\r\n"
            b"complete\r\n--B\r\nContent-Disposition: form-data; name=\"g\"; filename=\"x\"\r\n\r\n")
    for run in range(4):
        body = part % run + b"x" * 5000
        send_and_vanish(server, body, len(body) + 100, half_close=run % 2 == 0)
        check(wait_until(lambda: os.listdir(server.temp) == []), "temporary files left")
        check(not os.path.exists(os.path.join(server.up, "gone%d.txt" % run)),
              "a file of an incomplete request saved")


def write(root, name, content):
    path = os.path.join(root, name)
    with open(path, "wb") as f:
        f.write(content)
    return path


def run(server, root):
    rng = random.Random(7)
    # Content that a careless parser would cut: CR LF, delimiter-like lines, every byte value.
    binary = bytearray(rng.randbytes(200000))
    for marker in (b"\r\n--------------------------", b"\r\n--\r\n", b"\r\n\r\n",
                   b'filename="x"', bytes(range(256))):
        at = rng.randrange(len(binary))
        binary[at:at] = marker
    binary = bytes(binary)
    bin_path = write(root, "data.bin", binary)
    empty_path = write(root, "empty", b"")
    cn_path = write(root, "cn", "中文内容".encode("gbk"))

    # Several files, a Chinese file name (GBK, the default code page) and a plain field.
    head, answer = server.post("main", [
        (b"bin", bin_path, b"data.bin"),
        (b"empty", empty_path, b"empty.txt"),
        (b"cn", cn_path, ZHONGWEN_GBK),
        (b"note", "你好".encode("gbk")),
    ])
    check("Set-Cookie: KAVELUP_SESSION=" in head, "session cookie set")
    cookie = head.split("Set-Cookie: ")[1].split(";")[0]
    check(answer["count"] == 4, "count: %s" % answer)
    check([f["name"] for f in answer["fields"]] == ["bin", "empty", "cn", "note"], "names")
    check(answer["fields"][2]["fileName"] == "中文名.txt", "GBK file name decoded")
    check(answer["fields"][0]["size"] == len(binary), "size")
    check(answer["fields"][3]["fileName"] == "NonFile", "plain field")
    check([f["saved"] for f in answer["fields"]] == [True, True, True, False], "outcomes")
    check(answer["fields"][3]["message"] == "note" + NOT_A_FILE, "plain field's outcome")
    check(errors(answer) == "note" + NOT_A_FILE + "<br>", "errors: %s" % errors(answer))
    check(server.saved("data.bin") == binary, "binary saved byte for byte")
    check(server.saved("empty.txt") == b"", "empty file saved")
    check(server.saved("中文名.txt") == "中文内容".encode("gbk"), "Chinese file name saved")

    # Overwrite rule: 0 and 1 refuse, 2 replaces. The session cookie comes back unchanged.
    v1 = write(root, "v1", b"version 1")
    v2 = write(root, "v2", b"version 2")
    head, answer = server.post("main", [(b"f", v1, b"same.txt")], cookie=cookie)
    check("Set-Cookie" not in head, "known session keeps its cookie")
    check(errors(answer) == "", "first save: %s" % errors(answer))
    for site in ("main", "ow1"):
        _, answer = server.post(site, [(b"f", v2, b"same.txt")])
        check(errors(answer) == "same.txt" + EXISTS + "<br>", "%s: %s" % (site, answer))
        check(server.saved("same.txt") == b"version 1", "%s kept the file" % site)
    _, answer = server.post("ow2", [(b"f", v2, b"same.txt")])
    check(errors(answer) == "", "overwrite: %s" % errors(answer))
    check(server.saved("same.txt") == b"version 2", "overwritten")

    # Size rule with a non-numeric maximum (100000): the limit itself is too large.
    exact = write(root, "exact", b"e" * 100000)
    below = write(root, "below", b"b" * 99999)
    _, answer = server.post("limit", [(b"big", exact, b"exact.bin"), (b"ok", below, b"below.bin")])
    check(errors(answer) == "big" + TOO_LARGE + "<br>", "size rule: %s" % errors(answer))
    check(not os.path.exists(os.path.join(server.up, "exact.bin")), "file at the limit saved")
    check(server.saved("below.bin") == b"b" * 99999, "file below the limit")

    # Only the fields named in the query string are saved; a client path loses its directories.
    _, answer = server.post("main", [(b"a", v1, b"..\\..\\a.txt"), (b"b", v1, b"b.txt")],
                            query="?save=a&save=nothing")
    check(errors(answer) == "nothing 字段不存在，不能保存<br>", "save by name: %s" % answer)
    check(server.saved("a.txt") == b"version 1", "saved by name")
    check(not os.path.exists(os.path.join(server.up, "b.txt")), "unnamed field saved")

    # UTF-8 pages send UTF-8 names.
    _, answer = server.post("utf8", [(b"f", v1, "报告.txt".encode()),
                                     ("说明".encode(), "值".encode())])
    check(answer["fields"][0]["fileName"] == "报告.txt", "UTF-8 file name")
    check(errors(answer) == "说明" + NOT_A_FILE + "<br>", "UTF-8: %s" % errors(answer))
    check(server.saved("报告.txt") == b"version 1", "UTF-8 name saved")

    # A body over the request limit is refused unread.
    _, answer = server.post("small", [(b"f", bin_path, b"toolong.bin")], status=413)
    check(answer["count"] == 0 and "没有读取" in errors(answer), "request limit: %s" % answer)
    check(not os.path.exists(os.path.join(server.up, "toolong.bin")), "refused body saved")

    # The form page is encoded in the code page, so browsers send names the way they are read.
    page = subprocess.run(["curl", "-sS", "-D", "-", server.url("main")], capture_output=True,
                          check=True, timeout=30).stdout
    check(b"charset=GBK" in page and "上传".encode("gbk") in page, "GBK form page")

    # Without application/json the answer is an HTML page with the client's names escaped.
    head, page = server.post("main", [(b"<x>", b"1")], accept=None)
    check("Content-Type: text/html" in head, "HTML answer")
    check("&lt;x&gt;" + NOT_A_FILE + "<br>" in page and "<x>" not in page, "escaped: " + page)

    # Settings that would put files in the root or the working directory refuse the request.
    for site, variable in (("notemp", "KAVELUP_TEMP"), ("reldefault", "KAVELUP_DEFAULT_PATH")):
        body = b"--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"x.txt\"\r\n\r\nx\r\n--B--\r\n"
        status, text = server.post_raw(site, body, "B")
        check(" 500 " in status and variable + " 必须是绝对路径" in text,
              "%s: %s %s" % (site, status, text))
    check(not os.path.exists(os.path.join(server.www, "reldefault", "up")), "relative directory")

    # Control characters in a client file name make it no file name; messages never show the
    # server's directories.
    body = (b"--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"a\tb\x1b.txt\"\r\n\r\n"
            b"x\r\n--B--\r\n")
    status, text = server.post_raw("main", body, "B")
    answer = json.loads(text)
    check(answer["messages"] == ["f" + NOT_A_FILE], "control characters: %s" % answer)
    check(answer["fields"][0]["isFile"] is False, "a name that cannot be saved is no file")
    check(not [n for n in os.listdir(server.up) if "\t" in n or "\x1b" in n], "saved anyway")
    check(server.root not in text, "server path in the answer")

    failures_and_statuses(server, root)

    # An upload killed outright an hour ago left its directory; the next request removes it.
    stale = os.path.join(server.temp, "kavelup-0123456789abcdef-OLD123")
    os.mkdir(stale, 0o700)
    write(stale, "0-f", b"abandoned")
    old = time.time() - 7200
    os.utime(stale, (old, old))
    server.post("main", [(b"note", b"n")])  # also checks that the temporary folder is empty


def run_cgi(cgi, env, stdin, address_space=None):
    """Runs kavelup.cgi once; returns (exit status, output, peak resident memory in bytes).
    GNU time starts it and reports its peak: a direct child of this script would count the
    script's own memory, which it holds until it starts the program."""
    def limit():
        if address_space:
            resource.setrlimit(resource.RLIMIT_AS, (address_space, address_space))
    with tempfile.NamedTemporaryFile("r") as report:
        result = subprocess.run(["/usr/bin/time", "-q", "-f", "%M", "-o", report.name, cgi],
                                stdin=stdin, capture_output=True, env=env, preexec_fn=limit,
                                timeout=300)
        peak = report.read().split()
    code = result.returncode
    if result.stderr.startswith(b"/usr/bin/time") or not peak:
        code = 127  # time itself could not run or start the program
    return code, result.stdout, int(peak[-1]) * 1024 if peak else 0


def direct_env(temp, up, length, **extra):
    return dict(os.environ, REQUEST_METHOD="POST", CONTENT_LENGTH=str(length),
                HTTP_ACCEPT="application/json", KAVELUP_PATH=up, KAVELUP_TEMP=temp,
                KAVELUP_MAXSIZE=str(1 << 40), **extra)


def sha256_of(path, skip=0, length=None):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        f.seek(skip)
        left = length
        while left is None or left > 0:
            chunk = f.read(8 << 20 if left is None else min(8 << 20, left))
            if not chunk:
                break
            h.update(chunk)
            if left is not None:
                left -= len(chunk)
    return h.hexdigest()


def server_faults(cgi, root, temp, up):
    """Requests that the server, not the client, keeps from being saved: 500, every file with
    its own outcome in the answer, and the cause as one line on standard error (the web
    server's error log), naming what the client is never told."""
    body = (b"--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"a.txt\"\r\n\r\nA\r\n"
            b"--B\r\nContent-Disposition: form-data; name=\"g\"; filename=\"b.txt\"\r\n\r\nB\r\n"
            b"--B\r\nContent-Disposition: form-data; name=\"n\"\r\n\r\nnote\r\n--B--\r\n")

    def post(**env):
        e = direct_env(temp, up, len(body))
        for name, value in env.items():
            if value is None:
                e.pop(name, None)
            else:
                e[name] = value
        result = subprocess.run([cgi], input=body, capture_output=True, env=e, timeout=60)
        head, _, answer = result.stdout.partition(b"\r\n\r\n")
        return head.split(b"\r\n")[0].decode(), answer, result.stderr.decode()

    gone = os.path.join(root, "no-such-target")
    status, answer, log = post(KAVELUP_PATH=gone)
    check(status == "Status: 500 Internal Server Error", "missing target: " + status)
    fields = json.loads(answer)["fields"]
    check([f["saved"] for f in fields] == [False, False, False], "missing target: %s" % fields)
    check(fields[0]["message"].startswith("保存 a.txt 时出错："), "per-file reason: %s" % fields)
    check(gone not in answer.decode(), "the server's directory in the answer")
    lines = log.splitlines()
    check(lines == ["kavelup.cgi: 保存目录 %s/ 不存在（KAVELUP_PATH 或 KAVELUP_DEFAULT_PATH），"
                    "文件没有保存" % gone], "missing target, log: %r" % log)

    status, answer, log = post(KAVELUP_MAXSIZE=None)
    check(status == "Status: 500 Internal Server Error", "no KAVELUP_MAXSIZE: " + status)
    check(json.loads(answer)["messages"][:2] == ["f" + TOO_LARGE, "g" + TOO_LARGE],
          "no KAVELUP_MAXSIZE: %s" % answer)
    check(log.splitlines() == ["kavelup.cgi: 没有设置 KAVELUP_MAXSIZE，所有文件都按超出大小没有保存"],
          "no KAVELUP_MAXSIZE, log: %r" % log)

    no_temp = os.path.join(root, "no-such-temp")
    status, answer, log = post(KAVELUP_TEMP=no_temp)
    check(status == "Status: 500 Internal Server Error", "missing temporary folder: " + status)
    check(log.startswith("kavelup.cgi: 临时文件夹不能用（KAVELUP_TEMP）：%s/：" % no_temp)
          and log.count("\n") == 1, "missing temporary folder, log: %r" % log)

    # A request saved as asked: 200, and nothing in the log.
    status, answer, log = post()
    check(status == "Status: 200 OK" and log == "", "a good request: %s %r" % (status, log))
    for name in ("a.txt", "b.txt"):
        os.remove(os.path.join(up, name))


def run_direct(cgi, root):
    """kavelup.cgi without a server, on bodies that test its memory."""
    sanitized = bool(os.environ.get("KAVELUP_TEST_SANITIZED"))
    temp = os.path.join(root, "direct-tmp")
    up = os.path.join(root, "direct-up")
    os.mkdir(temp)
    os.mkdir(up)

    # A 200 MB upload: the body goes to a temporary file as it comes, so the program's resident
    # memory stays far below it, and it gets by in an address space smaller than the body.
    head = b"--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"big.bin\"\r\n\r\n"
    tail = b"\r\n--B--\r\n"
    size = 200 << 20
    body_path = os.path.join(root, "big.body")
    rng = random.Random(3)
    with open(body_path, "wb") as f:
        f.write(head)
        block = rng.randbytes(1 << 20)
        for i in range(size >> 20):
            f.write(block[i:] + block[:i])
        f.write(tail)
    length = len(head) + size + len(tail)
    with open(body_path, "rb") as stdin:
        code, out, rss = run_cgi(cgi, direct_env(temp, up, length, KAVELUP_REQUEST_LIMIT=str(1 << 30)),
                                 stdin, None if sanitized else 128 << 20)
    check(code == 0 and out.startswith(b"Status: 200"), "200 MB upload: %d %r" % (code, out[:300]))
    bound = (256 if sanitized else 64) << 20
    check(rss <= bound, "200 MB upload took %d MB of resident memory" % (rss >> 20))
    check(sha256_of(os.path.join(up, "big.bin")) == sha256_of(body_path, len(head), size),
          "200 MB file saved byte for byte")
    print("200 MB upload: peak resident memory %.1f MB" % (rss / 1e6))
    os.remove(os.path.join(up, "big.bin"))
    os.remove(body_path)

    # A 16 MB file full of "; name=", each of which counts a part: the answer stays small.
    data = b"; name=" * ((16 << 20) // 7)
    body = (b"--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"flood.bin\"\r\n\r\n"
            + data + b"\r\n--B--\r\n")
    result = subprocess.run([cgi], input=body, capture_output=True,
                            env=direct_env(temp, up, len(body)), timeout=120)
    check(result.returncode == 0, "exit status %d: %s" % (result.returncode, result.stderr))
    answer_bytes = result.stdout.partition(b"\r\n\r\n")[2]
    answer = json.loads(answer_bytes)
    markers = len(data) // 7 + 1
    check(answer["count"] == markers, "count %s" % answer["count"])
    check(len(answer["messages"]) == 100, "messages kept: %d" % len(answer["messages"]))
    check(answer["omittedMessages"] == markers - 1 - 100, "omitted: %s" % answer["omittedMessages"])
    check(len(answer_bytes) < 20000, "answer of %d bytes" % len(answer_bytes))
    with open(os.path.join(up, "flood.bin"), "rb") as f:
        check(f.read() == data, "the file itself is saved")
    check(os.listdir(temp) == [], "temporary files left")

    server_faults(cgi, root, temp, up)

    # 1,000 parts whose field names are 60 KB of bytes that are no GBK: each is refused, and
    # the names held on the way stay within a few megabytes.
    part = (b"--B\r\nContent-Disposition: form-data; name=\"" + b"\xff" * 60000 +
            b"\"\r\n\r\nv\r\n")
    body = part * 1000 + b"--B--\r\n"
    body_path = os.path.join(root, "names.body")
    with open(body_path, "wb") as f:
        f.write(body)
    with open(body_path, "rb") as stdin:
        code, out, rss = run_cgi(cgi, direct_env(temp, up, len(body)), stdin)
    os.remove(body_path)
    check(code == 0 and out.startswith(b"Status: 400"), "long names: %d %r" % (code, out[:200]))
    check("字段名超过 1024 字节" in json.loads(out.partition(b"\r\n\r\n")[2])["messages"][0],
          "long names: %r" % out[-300:])
    bound = (256 if sanitized else 24) << 20
    check(rss <= bound, "1,000 long names took %d MB of resident memory" % (rss >> 20))
    print("1,000 names of 60 KB: peak resident memory %.1f MB" % (rss / 1e6))

    # Under any memory limit the program answers, at worst with 500 and a message, or it cannot
    # even be loaded. Nothing is saved from a request it could not finish.
    if sanitized:
        return
    small = (b"--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"tight.bin\"\r\n\r\n"
             + b"t" * 100000 + b"\r\n--B--\r\n")
    statuses = set()
    for kilobytes in list(range(4096, 12288, 128)) + [16384, 32768]:
        with tempfile.TemporaryFile() as stdin:
            stdin.write(small)
            stdin.seek(0)
            code, out, _ = run_cgi(cgi, direct_env(temp, up, len(small)), stdin, kilobytes << 10)
        if code == 127:
            statuses.add("not loaded")
            continue
        check(out.startswith(b"Status: "), "%d KiB: exit %d without an answer: %r" % (kilobytes, code, out[:200]))
        status = out.split(b"\r\n")[0].decode()
        statuses.add(status)
        check(status in ("Status: 200 OK", "Status: 500 Internal Server Error"), status)
        if status != "Status: 200 OK":
            check("内存不足".encode() in out, "%d KiB: %r" % (kilobytes, out))
            check(not os.path.exists(os.path.join(up, "tight.bin")), "saved without success")
        check(os.listdir(temp) == [], "temporary files left at %d KiB" % kilobytes)
        if os.path.exists(os.path.join(up, "tight.bin")):
            os.remove(os.path.join(up, "tight.bin"))
    check("Status: 200 OK" in statuses, "never succeeded: %s" % statuses)
    print("address-space limits from 4 to 32 MiB:", ", ".join(sorted(statuses)))


def main():
    cgi = os.path.abspath(sys.argv[1])
    root = tempfile.mkdtemp(prefix="kavelup-e2e-")
    try:
        run_direct(cgi, root)
    except Failure as e:
        print("FAILED:", e, file=sys.stderr)
        shutil.rmtree(root, ignore_errors=True)
        return 1
    server = Server(root, cgi)
    try:
        server.start()
        run(server, root)
    except Failure as e:
        print("FAILED:", e, file=sys.stderr)
        print(server.log(), file=sys.stderr)
        return 1
    finally:
        server.stop()
        shutil.rmtree(root, ignore_errors=True)
    print("lighttpd end to end: all checks passed")
    return 0


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # still runs the cleanup above
    sys.exit(main())
