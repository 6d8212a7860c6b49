#!/usr/bin/python3
"""virn-scpi --simulated driven by a real VISA client, PyVISA with its pure-Python
backend, through TCPIP::127.0.0.1::PORT::SOCKET, and the example script run
against it.

    pyvisa_test.py VIRN_SCPI EXAMPLE_SCRIPT
"""
import math
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import pyvisa

PROGRAM = ""
EXAMPLE = ""
HANG_S = 60  # deadlines only turn a hang into a failure

# The simulated log detector as the window's level calibration reads it (0 dB
# at sample 236, 2.8 samples a dB); the range 1 to 43 MHz.
SETTINGS = """<?xml version="1.0"?>
<Configuration>
  <Left type="Integer">0</Left>
  <Top type="Integer">0</Top>
  <Width type="Integer">640</Width>
  <Height type="Integer">400</Height>
  <WindowState type="Integer">0</WindowState>
  <Tag type="Integer">0</Tag>
  <_CorrLog_0Db type="Integer">15</_CorrLog_0Db>
  <_CorrLog_40Db type="Integer">127</_CorrLog_40Db>
  <_Delay type="Integer">0</_Delay>
</Configuration>
"""

# The simulated filter: a band-pass of 6 MHz between its -3 dB points around
# 20 MHz (geometric centre): f / f0 - f0 / f = +-B / f0.
B, F0 = 6e6, 20e6
LOWER = (-B + math.sqrt(B * B + 4 * F0 * F0)) / 2
UPPER = (B + math.sqrt(B * B + 4 * F0 * F0)) / 2


def until(condition, what):
    deadline = time.monotonic() + HANG_S
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError("hung waiting for " + what)
        time.sleep(0.05)


class Server:
    """virn-scpi on a free port, with a bench FIFO and a settings file of its own."""

    def __init__(self, folder):
        self.settings = os.path.join(folder, "settings.xml")
        with open(self.settings, "w", encoding="utf-8") as f:
            f.write(SETTINGS)
        self.bench_path = os.path.join(folder, "bench")
        os.mkfifo(self.bench_path)
        env = dict(os.environ, XDG_CONFIG_HOME=folder, QT_QPA_PLATFORM="offscreen")
        # A file, not a pipe: a long sanitizer report must not block the server.
        self.stderr_path = os.path.join(folder, "stderr")
        self.stderr = open(self.stderr_path, "w", encoding="utf-8")
        self.process = subprocess.Popen(
            [PROGRAM, "--simulated", "--listen", "127.0.0.1:0", "--bench", self.bench_path,
             "--settings", self.settings],
            stdout=subprocess.PIPE, stderr=self.stderr, env=env, text=True)
        line = self.process.stdout.readline().strip()
        if not line.startswith("listening on 127.0.0.1:"):
            raise AssertionError("virn-scpi did not start: " + line + self.errors())
        self.port = int(line.rsplit(":", 1)[1])
        # Opened read-write, so the open does not wait for the reader.
        self.bench = os.open(self.bench_path, os.O_RDWR)

    def tell_bench(self, command):
        os.write(self.bench, (command + "\n").encode())

    def stop(self):
        os.close(self.bench)
        self.process.send_signal(signal.SIGTERM)
        status = self.process.wait(HANG_S)
        if status != 0:  # a sanitizer's report, say
            sys.stderr.write(self.errors())
        self.process.stdout.close()
        self.stderr.close()
        return status

    def errors(self):
        self.stderr.flush()
        with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
            return f.read()


def open_instrument(port):
    manager = pyvisa.ResourceManager("@py")
    instrument = manager.open_resource(f"TCPIP::127.0.0.1::{port}::SOCKET")
    instrument.read_termination = "\n"  # PyVISA's default None makes every query time out
    instrument.timeout = HANG_S * 1000
    until(lambda: instrument.query("SYST:CONN?") == "1", "the instrument")
    return manager, instrument


class PyVisaEndToEnd(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.server = Server(self.folder.name)

    def tearDown(self):
        if self.server.process.poll() is None:
            self.server.process.kill()
            self.server.process.wait(HANG_S)
            self.server.process.stdout.close()
            self.server.stderr.close()
        self.folder.cleanup()

    def test_a_sweep_of_the_band_pass_filter(self):
        # The filter's -3 dB points as designed, without the output's roll-off.
        self.server.tell_bench("output flat")
        manager, visa = open_instrument(self.server.port)
        maker, model, serial, version = visa.query("*IDN?").split(",")
        self.assertEqual((model, serial), ("VIRN", "VIRN0001"))
        self.assertTrue(maker and version)

        visa.write("SENS:FREQ:STAR 1 MHZ;STOP 43MHZ")
        self.assertEqual(visa.query("FREQ:STAR?;STOP?;:SWE:POIN?"), "1000000;43000000;421")
        self.assertEqual(visa.query("INIT;*OPC?"), "1")
        levels = [float(v) for v in visa.query("TRAC?").split(",")]
        frequencies = [int(v) for v in visa.query("TRAC:FREQ?").split(",")]
        self.assertEqual((len(levels), len(frequencies)), (421, 421))
        self.assertEqual((frequencies[0], frequencies[-1]), (1000000, 43000000))
        peak = frequencies[levels.index(max(levels))]
        self.assertTrue(LOWER < peak < UPPER, peak)
        raw = visa.query_binary_values("TRAC:RAW?", datatype="B", container=bytes)
        self.assertEqual(len(raw), 421)

        step = 100000
        lower, upper, bandwidth, centre, q = (float(v) for v in visa.query("CALC:BAND? 3").split(","))
        self.assertLessEqual(abs(lower - LOWER), step)
        self.assertLessEqual(abs(upper - UPPER), step)
        self.assertLessEqual(abs(bandwidth - B), step)

        visa.write("FREQ:STRT 1MHZ")
        visa.write("FREQ:STOP 1.5GHZ")
        self.assertEqual(visa.query("SYST:ERR?"), '-113,"Undefined header;FREQ:STRT"')
        self.assertEqual(visa.query("SYST:ERR?"), '-222,"Data out of range;FREQ:STOP 1.5GHZ"')
        self.assertEqual(visa.query("SYST:ERR?"), '0,"No error"')
        visa.close()
        manager.close()
        self.assertEqual(self.server.stop(), 0)

    def test_an_unplug_during_a_sweep_is_an_error_and_a_replug_goes_on(self):
        manager, visa = open_instrument(self.server.port)
        # The longest period with the delay on: the unplug lands inside the sweep.
        visa.write("SWE:TIME 3.2;DEL ON")
        visa.write("INIT")
        self.server.tell_bench("unplug")
        self.assertEqual(visa.query("*OPC?"), "1")
        self.assertTrue(visa.query("SYST:ERR?").startswith("-240,"))
        until(lambda: visa.query("SYST:CONN?") == "0", "the watchdog")
        visa.write("INIT")
        self.assertTrue(visa.query("SYST:ERR?").startswith("-241,"))
        self.server.tell_bench("plug")
        until(lambda: visa.query("SYST:CONN?") == "1", "the replugged instrument")
        visa.write("SWE:DEL OFF")
        self.assertEqual(visa.query("INIT;*OPC?;SYST:ERR?"), '1;0,"No error"')
        visa.close()
        manager.close()
        self.assertEqual(self.server.stop(), 0)

    def test_the_example_measures_the_filter(self):
        result = subprocess.run(
            [sys.executable, EXAMPLE, "--port", str(self.server.port), "--start", "1e6", "--stop", "43e6",
             "--wait", str(HANG_S)],
            capture_output=True, text=True, timeout=HANG_S, check=False)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("-3 dB band:", result.stdout)
        self.assertEqual(self.server.stop(), 0)


if __name__ == "__main__":
    PROGRAM, EXAMPLE = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
