// Command-line tail and switch scan. Platform-free: the same source goes into
// the program and into the native sanitizer and fuzzer runs.
#pragma once

// What one switch asks for.
enum class SwitchAction { Setup, Silent, Wait, Warning, None };

// The process command line without the program name (quoted or not) and
// without the blanks around it. Returns a pointer into `commandLine`.
const char* CommandLineTail(const char* commandLine);

// Walks the switches of a tail one at a time. Every character '/' or '-'
// starts a switch; the next search resumes right after it, so the rest of a
// switch's own text is searched too.
class SwitchScanner {
public:
  explicit SwitchScanner(const char* tail) : Cursor(tail) {}
  // False when no switch is left; otherwise `action` is the switch's action.
  bool Next(SwitchAction& action);
  int Count() const { return Switches; }

private:
  const char* Cursor;
  int Switches = 0;
};

// The action of one switch text (what follows the '/' or '-').
SwitchAction ClassifySwitch(const char* text);
