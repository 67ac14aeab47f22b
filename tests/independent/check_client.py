#!/usr/bin/python3
"""check_client.py suds|zeep inline|multiref SERVICE-EXECUTABLE DATA-FILE: runs the results service
on a free port and reads every operation through suds or zeep, against what the data file says."""
import decimal
import logging
import os
import re
import signal
import subprocess
import sys

MEMBERS = ["generated", "resultType", "code", "name", "readyDistricts", "allDistricts", "yesNum",
           "yesPerc", "noNum", "noPerc", "blankNum", "blankPerc", "invalidNum", "turnoutNum",
           "turnoutPerc"]
SOAP_ENCODING = "http://schemas.xmlsoap.org/soap/encoding/"


def share(part, whole):
    value = decimal.Decimal(part) * 100 / decimal.Decimal(whole) if whole else decimal.Decimal(0)
    return str(value.quantize(decimal.Decimal("0.1"), rounding=decimal.ROUND_HALF_UP)).replace(".", ",")


def read_data(path):
    """[(county code, name, [(code, name, districts, electorate, yes, no, blank, invalid), ...]), ...]"""
    counties = []
    with open(path, encoding="utf-8") as f:
        for fields in (line.rstrip("\n").split("\t") for line in f):
            if fields[0] == "county":
                counties.append((fields[1], fields[2], []))
            elif fields[0] == "municipality":
                counties[-1][2].append((fields[1], fields[2]) + tuple(int(v) for v in fields[3:9]))
    return counties


def total(rows):
    return tuple(sum(r[i] for r in rows) for i in range(2, 8))


def check_final_record(record, kind, code, name, sums):
    districts, electorate, yes, no, blank, invalid = sums
    valid = yes + no + blank
    expected = [kind, code, name, districts, districts, yes, share(yes, valid), no, share(no, valid), blank,
                share(blank, valid), invalid, valid + invalid, share(valid + invalid, electorate)]
    wrong = {m: (record[m], str(v)) for m, v in zip(MEMBERS[1:], expected) if record[m] != str(v)}
    assert not wrong, "%s %s: (read, expected) %r" % (kind, code, wrong)


def suds_caller(wsdl_url):
    from suds import WebFault
    from suds.client import Client
    logging.getLogger("suds").setLevel(logging.CRITICAL)
    service = Client(wsdl_url, cache=None).service

    def call(operation, *args):
        try:
            return [{m: str(getattr(r, m)) for m in MEMBERS} for r in getattr(service, operation)(*args)]
        except WebFault as e:
            return str(e.fault.faultcode), str(e.fault.faultstring)
    return call


def zeep_caller(wsdl_url):
    import zeep.exceptions
    from zeep.transports import Transport

    class LocalEncodingSchema(Transport):
        # zeep fetches the SOAP encoding schema from the web for every rpc/encoded WSDL.
        def load(self, url):
            if url.rstrip("/") == SOAP_ENCODING.rstrip("/"):
                with open(os.path.join(os.path.dirname(__file__), "soap-encoding.xsd"), "rb") as f:
                    return f.read()
            return super().load(url)

    service = zeep.Client(wsdl_url, transport=LocalEncodingSchema()).service

    def call(operation, *args):
        try:
            return [{m: str(r[m]) for m in MEMBERS} for r in getattr(service, operation)(*args)]
        except zeep.exceptions.Fault as e:
            return str(e.code), str(e.message)
    return call


def run_checks(call, data):
    rows = call("getCountryResultsSlutsam")
    assert len(rows) == 1 + len(data), "country answer has %d rows" % len(rows)
    check_final_record(rows[0], "country", "00", "Riket", total([m for c in data for m in c[2]]))
    for record, (code, name, municipalities) in zip(rows[1:], data):
        check_final_record(record, "county", code, name, total(municipalities))

    # The night, frozen part-way: counties add up to the country.
    rows = call("getCountryResultsValnatt")
    assert [(r["code"], r["name"]) for r in rows[1:]] == [c[:2] for c in data], "night county list"
    ready = int(rows[0]["readyDistricts"])
    assert 0 < ready < int(rows[0]["allDistricts"]), "night is part-way: %d districts in" % ready
    for member in ("readyDistricts", "yesNum", "noNum", "blankNum", "invalidNum"):
        assert sum(int(r[member]) for r in rows[1:]) == int(rows[0][member]), "counties add up in " + member

    counties = {c[0]: c[2] for c in data}
    for operation, code in (("getCountyResultsSlutsam", "14"), ("getCountyResultsValnatt", "01")):
        rows = call(operation, code)
        assert rows[0]["resultType"] == "county" and rows[0]["code"] == code, "county row first"
        assert [(r["resultType"], r["code"], r["name"]) for r in rows[1:]] \
            == [("municipality", m[0], m[1]) for m in counties[code]], "municipality rows"
        if operation.endswith("Slutsam"):
            for record, m in zip(rows[1:], counties[code]):
                check_final_record(record, "municipality", m[0], m[1], m[2:])

    fault = call("getCountyResultsValnatt", "99")
    assert isinstance(fault, tuple), "unknown county code accepted"
    assert fault[0].endswith("Client") and fault[1] == "Okänd länskod: '99'", "fault %r" % (fault,)


def main():
    client, style, executable, data = sys.argv[1:]
    service = subprocess.Popen([executable, "--port", "0", "--quiet", "--style", style, "--at", "900"],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        match = re.fullmatch(r"WSDL: (http://127\.0\.0\.1:\d+/\S+)\n", service.stdout.readline())
        assert match, "service did not start: %s" % service.stderr.read()
        run_checks((suds_caller if client == "suds" else zeep_caller)(match.group(1)), read_data(data))
        print("%s read every operation in %s style" % (client, style))
        return 0
    except AssertionError as e:
        print("%s, %s style: %s" % (client, style, e))
        return 1
    finally:
        service.send_signal(signal.SIGTERM)
        try:
            service.wait(timeout=10)
        except subprocess.TimeoutExpired:
            service.kill()
            service.wait()
            raise


if __name__ == "__main__":
    sys.exit(main())
