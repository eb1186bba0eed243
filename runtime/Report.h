// The last-resort report of an exception that nothing else handled.
#pragma once

#include <exception>

#include "Object.h"

// The report's text: the class name, the module's file name, the raise address
// made relative to the start of the program's code, and (for Exception
// objects, `message` not null) the message with a full stop added when it
// lacks one. At most 255 characters.
String ExceptionReportText(const String& className, const String* message, const void* address);

// Shows the report for a raised object: on standard output in a console
// program, otherwise in a task-modal error box titled "Application Error".
void ShowExceptionReport(std::exception_ptr raised);

// Makes an exception that escapes everything, and a platform exception that
// nothing handles, show the report and end the program with exit code 1.
void InstallUnhandledExceptionReport();
