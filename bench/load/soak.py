#!/usr/bin/python3
"""soak.py SERVICE [SECONDS]

Runs the results service for SECONDS (default 600) under a mix of clients: well-behaved viewers
from 127.0.0.2 (keep-alive calls for the country, a county and the WSDL, every answer checked),
and from 127.0.0.1 clients sending malformed or oversized requests, slow clients trickling a byte
at a time, and clients that pipeline calls and never read. Every 30 s it prints the service's
memory, open descriptors and CPU; at the end the good clients' answers and failures.
"""
import os
import random
import signal
import socket
import subprocess
import sys
import threading
import time

ENDPOINT = b"/emu2003/webservices/ElectionResults/soap"
WSDL = b"/emu2003/webservices/ElectionResults/ElectionResults.wsdl"
NAMESPACE = b"http://valresultat.kestrova.example/ElectionResults.wsdl"


def call(operation, county=None):
    argument = b'<county xsi:type="xsd:string">%s</county>' % county if county else b""
    body = (b'<?xml version="1.0" encoding="UTF-8"?><SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/"'
            b' xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:xsd="http://www.w3.org/2001/XMLSchema">'
            b'<SOAP-ENV:Body><m:%s xmlns:m="%s">%s</m:%s></SOAP-ENV:Body></SOAP-ENV:Envelope>'
            % (operation, NAMESPACE, argument, operation))
    return b"POST " + ENDPOINT + b" HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n\r\n" % len(body) + body


GOOD = [(call(b"getCountryResultsValnatt"), b"QueryResult[22]"),
        (call(b"getCountyResultsValnatt", b"12"), b"Sk\xc3\xa5ne"),
        (b"GET " + WSDL + b" HTTP/1.1\r\nHost: results.example:8803\r\n\r\n", b"results.example:8803")]
BAD = [b"POST " + ENDPOINT + b" HTTP/1.1\r\nContent-Length: 999999999\r\nContent-Length: 5\r\n\r\n" + b"x" * 100000,
       b"GET / HTTP/1.1\r\nX: " + b"a" * 20000 + b"\r\n\r\n",
       b"\r\n" * 100000,
       b"GET / HTTP/1.1\r\nX: a\r\n b\r\n\r\n",
       call(b"getCountyResultsValnatt", b"99"),
       b"POST " + ENDPOINT + b" HTTP/1.1\r\nContent-Length: 40\r\n\r\n<!DOCTYPE x [<!ENTITY a \"b\">]><x>&a;</x>",
       bytes(random.Random(7).getrandbits(8) for _ in range(5000))]

counts = {"good": 0, "failed": 0, "bad": 0, "slow": 0, "unread": 0}
lock = threading.Lock()
stop = threading.Event()


def count(kind):
    with lock:
        counts[kind] += 1


def connect(source, rcvbuf=None):
    s = socket.socket()
    if rcvbuf:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, rcvbuf)
    s.bind((source, 0))
    s.connect(("127.0.0.1", port))
    return s


def read_answer(s):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = s.recv(65536)
        if not chunk:
            raise OSError("closed")
        data += chunk
    head, body = data.split(b"\r\n\r\n", 1)
    length = int(head.lower().split(b"content-length: ")[1].split(b"\r\n")[0])
    while len(body) < length:
        chunk = s.recv(65536)
        if not chunk:
            raise OSError("closed")
        body += chunk
    return head, body


def viewer():
    rng = random.Random()
    while not stop.is_set():
        try:
            s = connect("127.0.0.2")
            s.settimeout(10)
            for _ in range(rng.randint(1, 20)):
                request, expected = rng.choice(GOOD)
                s.sendall(request)
                head, body = read_answer(s)
                count("good" if head.startswith(b"HTTP/1.1 200") and expected in body else "failed")
            s.close()
        except OSError:
            count("failed")


def attacker():
    rng = random.Random()
    while not stop.is_set():
        try:
            s = connect("127.0.0.1")
            s.settimeout(5)
            s.sendall(rng.choice(BAD))
            while s.recv(65536):
                pass
        except OSError:
            pass
        count("bad")
        time.sleep(0.01)


def slow():
    while not stop.is_set():
        try:
            s = connect("127.0.0.1")
            for byte in b"POST / HTTP/1.1\r\nHost: x\r\n":
                if stop.wait(1):
                    break
                s.send(bytes([byte]))
        except OSError:
            pass
        count("slow")


def non_reader():
    while not stop.is_set():
        try:
            s = connect("127.0.0.1", rcvbuf=4096)
            s.settimeout(1)
            began = time.time()
            while time.time() - began < 60 and not stop.is_set():
                try:
                    s.send(GOOD[0][0] * 32)
                except socket.timeout:
                    pass
        except OSError:
            pass
        count("unread")


def sample(pid, began):
    with open("/proc/%d/status" % pid) as f:
        status = {l.split(":")[0]: l.split()[1] for l in f if l.startswith(("VmRSS:", "RssAnon:"))}
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    cpu = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    files = len(os.listdir("/proc/%d/fd" % pid))
    with lock:
        print("%5.0f s  rss %5.1f MB (anonymous %5.1f MB)  descriptors %5d  cpu %6.1f s  %s" % (
            time.time() - began, int(status["VmRSS"]) / 1024, int(status["RssAnon"]) / 1024, files, cpu,
            " ".join("%s %d" % kv for kv in counts.items())), flush=True)


binary = sys.argv[1]
seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 600
service = subprocess.Popen([binary, "--port", "0", "--quiet"], stdout=subprocess.PIPE)
port = int(service.stdout.readline().decode().rsplit(":", 1)[1].split("/")[0])
began = time.time()
workers = ([threading.Thread(target=viewer) for _ in range(4)] + [threading.Thread(target=attacker) for _ in range(2)]
           + [threading.Thread(target=slow) for _ in range(60)] + [threading.Thread(target=non_reader) for _ in range(4)])
for worker in workers:
    worker.daemon = True
    worker.start()
signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
try:
    while time.time() - began < seconds:
        time.sleep(min(30, seconds - (time.time() - began)))
        sample(service.pid, began)
    stop.set()
    time.sleep(2)
finally:
    service.terminate()
    print("service exit status %d" % service.wait(10))
