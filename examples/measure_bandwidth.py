#!/usr/bin/python3
"""Measures a filter's bandwidth with the VIRN instrument through virn-scpi.

Start the server first (it holds the instrument; --simulated for the
simulated one with its band-pass filter):

    virn-scpi &                # or: virn-scpi --simulated &
    /usr/bin/python3 measure_bandwidth.py --start 1e6 --stop 43e6

Needs PyVISA with its pure-Python backend: on Debian
`apt install python3-pyvisa python3-pyvisa-py`, and Debian's own interpreter,
/usr/bin/python3. virn-scpi ends its replies with "\\n" only: PyVISA's
read_termination must be set to "\\n", or every query times out.
"""
import argparse
import sys
import time

import pyvisa


def connect(host, port, timeout_s):
    manager = pyvisa.ResourceManager("@py")
    instrument = manager.open_resource(f"TCPIP::{host}::{port}::SOCKET")
    instrument.read_termination = "\n"
    instrument.write_termination = "\n"
    instrument.timeout = 30000  # ms: a sweep of the longest period fits well within
    # The server may have just started and still be looking for the instrument.
    deadline = time.monotonic() + timeout_s
    while instrument.query("SYST:CONN?") != "1":
        if time.monotonic() > deadline:
            raise SystemExit("no instrument: SYST:CONN? stays 0")
        time.sleep(0.2)
    return instrument


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=5025)
    parser.add_argument("--start", type=float, default=1e6, help="start frequency, Hz")
    parser.add_argument("--stop", type=float, default=43e6, help="stop frequency, Hz")
    parser.add_argument("--db", type=float, default=3, help="dB below the maximum")
    parser.add_argument("--wait", type=float, default=30, help="seconds to wait for the instrument")
    args = parser.parse_args()

    instrument = connect(args.host, args.port, args.wait)
    print(instrument.query("*IDN?"))
    instrument.write("*CLS")
    instrument.write(f"FREQ:STAR {args.start:.0f} HZ;STOP {args.stop:.0f} HZ")
    instrument.query("INIT;*OPC?")  # answers once the sweep's 421 levels are in
    error = instrument.query("SYST:ERR?")
    if not error.startswith("0,"):
        raise SystemExit(f"the sweep failed: {error}")
    fields = instrument.query(f"CALC:BAND? {args.db}").split(",")
    lower, upper, bandwidth, centre, q = (float(field) for field in fields)
    if bandwidth > 9e37:
        raise SystemExit(f"the curve does not cross -{args.db} dB twice")
    print(f"-{args.db:g} dB band: {lower:.0f} Hz to {upper:.0f} Hz")
    print(f"bandwidth {bandwidth:.0f} Hz, centre {centre:.0f} Hz, Q {q:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
