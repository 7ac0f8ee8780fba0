# SPDX-License-Identifier: MIT
# The second reference for playback timing: the same lines as a hobbyist's
# script sends them, sleeping the interval after each write.
#
#   python3 reference_writer.py DEVICE FIRST_DUE_NS PERIOD_MS LINES BASE_PULSE
import sys
import time

import serial

device, first, period, lines, base = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
port = serial.Serial(device, 115200)
time.sleep(max(0.0, first / 1e9 - time.monotonic()))
for n in range(lines):
    port.write(b"#1P%dS300\r" % (base + n))
    time.sleep(period / 1000)
port.close()
print(int(time.process_time() * 1e9))
