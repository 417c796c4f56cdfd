#pragma once

#include <string>

// The diagnostics channel: standard error. Reports of failed steps (engine, SMTP) are written only
// when the environment variable SITEVIGIL_DEBUG is set to a non-empty value other than "0".
bool DebugEnabled();
// Writes "message: systemText\n" to standard error when the debug switch is on.
void DebugReport(const std::string& message, const std::string& systemText = {});
// Always writes the text to standard error (diagnostics the program emits regardless of the switch).
void DiagnosticOutput(const std::string& text);
