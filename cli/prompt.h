// The operator's prompt on a terminal: line editing and history (libedit), tab
// completion of the command words, and "?" for the list of commands.
#pragma once
#include <atomic>
#include <functional>
#include <string>

// Reads lines from the terminal until end of input or until `stop` is set (checked a
// few times a second), handing each to `run`; `run` returns false to end the prompt.
void cliPromptRun(const char *prompt, const std::atomic<bool> &stop,
                  const std::function<bool(const std::string &line)> &run);
