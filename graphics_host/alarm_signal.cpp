#include "graphics_host/alarm_signal.h"

#include <pthread.h>

#include <csignal>

void set_alarm_signal_blocked(bool blocked) {
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    pthread_sigmask(blocked ? SIG_BLOCK : SIG_UNBLOCK, &alarm, nullptr);
}
