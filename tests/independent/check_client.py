#!/usr/bin/python3
"""Runs ksv-results-service on a free port and reads every operation through suds or zeep.

Exits 0 when every decoded record is as the data file says; prints what failed otherwise.
"""
import argparse
import decimal
import logging
import os
import re
import signal
import subprocess
import sys

COUNTIES = [
    ("01", "Stockholms län"), ("03", "Uppsala län"), ("04", "Södermanlands län"),
    ("05", "Östergötlands län"), ("06", "Jönköpings län"), ("07", "Kronobergs län"),
    ("08", "Kalmar län"), ("09", "Gotlands län"), ("10", "Blekinge län"), ("12", "Skåne län"),
    ("13", "Hallands län"), ("14", "Västra Götalands län"), ("17", "Värmlands län"),
    ("18", "Örebro län"), ("19", "Västmanlands län"), ("20", "Dalarnas län"),
    ("21", "Gävleborgs län"), ("22", "Västernorrlands län"), ("23", "Jämtlands län"),
    ("24", "Västerbottens län"), ("25", "Norrbottens län"),
]
MEMBERS = ["generated", "resultType", "code", "name", "readyDistricts", "allDistricts", "yesNum",
           "yesPerc", "noNum", "noPerc", "blankNum", "blankPerc", "invalidNum", "turnoutNum",
           "turnoutPerc"]
SOAP_ENCODING = "http://schemas.xmlsoap.org/soap/encoding/"
HERE = os.path.dirname(os.path.abspath(__file__))


class Failure(Exception):
    pass


def expect(condition, what):
    if not condition:
        raise Failure(what)


def share(part, whole):
    if whole == 0:
        return "0,0"
    value = (decimal.Decimal(part) * 100 / decimal.Decimal(whole)).quantize(
        decimal.Decimal("0.1"), rounding=decimal.ROUND_HALF_UP)
    return str(value).replace(".", ",")


def read_data(path):
    """{county code: [(code, name, districts, electorate, yes, no, blank, invalid), ...]}"""
    municipalities = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if fields[0] == "municipality":
                row = (fields[1], fields[2]) + tuple(int(v) for v in fields[3:9])
                municipalities.setdefault(fields[1][:2], []).append(row)
    return municipalities


def total(rows):
    return tuple(sum(r[i] for r in rows) for i in range(2, 8))


def check_final_record(record, kind, code, name, sums):
    districts, electorate, yes, no, blank, invalid = sums
    valid = yes + no + blank
    expected = {
        "resultType": kind, "code": code, "name": name,
        "readyDistricts": str(districts), "allDistricts": str(districts),
        "yesNum": str(yes), "yesPerc": share(yes, valid), "noNum": str(no),
        "noPerc": share(no, valid), "blankNum": str(blank), "blankPerc": share(blank, valid),
        "invalidNum": str(invalid), "turnoutNum": str(valid + invalid),
        "turnoutPerc": share(valid + invalid, electorate),
    }
    for member, value in expected.items():
        expect(record[member] == value, "%s %s: %s is %r, expected %r"
               % (kind, code, member, record[member], value))
    expect(re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d", record["generated"]),
           "generated %r" % record["generated"])


class SudsClient:
    def __init__(self, wsdl_url):
        from suds.client import Client
        logging.getLogger("suds").setLevel(logging.CRITICAL)
        self.client = Client(wsdl_url, cache=None)

    def call(self, operation, *args):
        return [{m: str(getattr(r, m)) for m in MEMBERS}
                for r in getattr(self.client.service, operation)(*args)]

    def fault(self, operation, *args):
        from suds import WebFault
        try:
            getattr(self.client.service, operation)(*args)
        except WebFault as e:
            return str(e.fault.faultcode), str(e.fault.faultstring)
        return None


class ZeepClient:
    def __init__(self, wsdl_url):
        import zeep
        from zeep.transports import Transport

        class LocalEncodingSchema(Transport):
            # zeep fetches the SOAP encoding schema from the web for every rpc/encoded WSDL.
            def load(self, url):
                if url.rstrip("/") == SOAP_ENCODING.rstrip("/"):
                    with open(os.path.join(HERE, "soap-encoding.xsd"), "rb") as f:
                        return f.read()
                return super().load(url)

        self.client = zeep.Client(wsdl_url, transport=LocalEncodingSchema())

    def call(self, operation, *args):
        return [{m: str(r[m]) for m in MEMBERS}
                for r in getattr(self.client.service, operation)(*args)]

    def fault(self, operation, *args):
        import zeep.exceptions
        try:
            getattr(self.client.service, operation)(*args)
        except zeep.exceptions.Fault as e:
            return str(e.code), str(e.message)
        return None


def run_checks(client, data):
    # The whole country, final count.
    rows = client.call("getCountryResultsSlutsam")
    expect(len(rows) == 22, "country answer has %d rows" % len(rows))
    everything = [m for code, _ in COUNTIES for m in data[code]]
    check_final_record(rows[0], "country", "00", "Riket", total(everything))
    for record, (code, name) in zip(rows[1:], COUNTIES):
        check_final_record(record, "county", code, name, total(data[code]))

    # The night, frozen part-way: counties add up to the country.
    rows = client.call("getCountryResultsValnatt")
    expect(len(rows) == 22, "night country answer has %d rows" % len(rows))
    expect([(r["code"], r["name"]) for r in rows[1:]] == COUNTIES, "night county list")
    ready = int(rows[0]["readyDistricts"])
    expect(0 < ready < int(rows[0]["allDistricts"]), "night is part-way: %d districts in" % ready)
    for member in ("readyDistricts", "yesNum", "noNum", "blankNum", "invalidNum"):
        expect(sum(int(r[member]) for r in rows[1:]) == int(rows[0][member]),
               "counties add up to the country in %s" % member)

    # One county, both counts.
    for operation, code in (("getCountyResultsSlutsam", "14"), ("getCountyResultsValnatt", "01"),
                            ("getCountyResultsSlutsam", "09")):
        rows = client.call(operation, code)
        municipalities = data[code]
        expect(len(rows) == 1 + len(municipalities), "%s %s: %d rows" % (operation, code, len(rows)))
        expect(rows[0]["resultType"] == "county" and rows[0]["code"] == code, "county row first")
        expect([(r["resultType"], r["code"], r["name"]) for r in rows[1:]]
               == [("municipality", m[0], m[1]) for m in municipalities], "municipality rows")
        if operation.endswith("Slutsam"):
            for record, m in zip(rows[1:], municipalities):
                check_final_record(record, "municipality", m[0], m[1], m[2:])

    fault = client.fault("getCountyResultsValnatt", "99")
    expect(fault is not None, "unknown county code accepted")
    expect(fault[1] == "Okänd länskod: '99'", "fault string %r" % (fault[1],))
    expect(fault[0].endswith("Client"), "fault code %r" % (fault[0],))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--client", choices=("suds", "zeep"), required=True)
    parser.add_argument("--style", choices=("inline", "multiref"), required=True)
    parser.add_argument("--service", required=True)
    parser.add_argument("--data", required=True)
    args = parser.parse_args()

    service = subprocess.Popen(
        [args.service, "--port", "0", "--quiet", "--style", args.style, "--at", "900"],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        line = service.stdout.readline()
        match = re.fullmatch(r"WSDL: (http://127\.0\.0\.1:\d+/\S+)\n", line)
        if not match:
            print("service did not start: %r %s" % (line, service.stderr.read()))
            return 1
        client = SudsClient(match.group(1)) if args.client == "suds" else ZeepClient(match.group(1))
        run_checks(client, read_data(args.data))
        print("%s read every operation in %s style" % (args.client, args.style))
        return 0
    except Failure as e:
        print("%s, %s style: %s" % (args.client, args.style, e))
        return 1
    finally:
        service.send_signal(signal.SIGTERM)
        try:
            service.wait(timeout=10)
        except subprocess.TimeoutExpired:
            service.kill()
            service.wait()


if __name__ == "__main__":
    sys.exit(main())
