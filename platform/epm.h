// Process monitor client.
#pragma once

// Registers this process's id with the process monitor. 0 = success.
int epmClientSetPid();
