// SPDX-License-Identifier: MIT
// The reference for playback timing: writes line n's command to a serial
// device at first + n * period on the monotonic clock, sleeping to each due time
// with clock_nanosleep(TIMER_ABSTIME). Prints its processor time in ns.
//
//   reference_writer DEVICE FIRST_DUE_NS PERIOD_MS LINES BASE_PULSE
#define _POSIX_C_SOURCE 200809L
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 6) {
        fprintf(stderr, "usage: %s DEVICE FIRST_DUE_NS PERIOD_MS LINES BASE_PULSE\n", argv[0]);
        return 2;
    }
    const int fd = open(argv[1], O_WRONLY | O_NOCTTY);
    if (fd < 0) {
        perror(argv[1]);
        return 1;
    }
    const long long first = atoll(argv[2]);
    const long long period = atoll(argv[3]) * 1000000LL;
    const int lines = atoi(argv[4]);
    const int base = atoi(argv[5]);
    for (int n = 0; n < lines; ++n) {
        const long long due = first + n * period;
        const struct timespec at = {(time_t)(due / 1000000000LL), (long)(due % 1000000000LL)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, NULL) == EINTR) { }
        char command[32];
        const int size = snprintf(command, sizeof command, "#1P%dS300\r", base + n);
        if (write(fd, command, (size_t)size) != size) {
            perror("write");
            return 1;
        }
    }
    struct timespec cpu;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    printf("%lld\n", (long long)cpu.tv_sec * 1000000000LL + cpu.tv_nsec);
    close(fd);
    return 0;
}
