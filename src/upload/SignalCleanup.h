#pragma once
// What a CGI run leaves on disk while it works: its private directory of temporary files and,
// while files are being saved, the staging directory of partly written copies beside the
// targets. A web server
// that gives up on a request sends SIGTERM (or the client goes away: SIGPIPE, SIGHUP), and the
// process must not leave the upload behind. The handlers installed here remove what is
// registered and then end the process by the same signal.
//
// One process-wide registration each: for a program that runs one upload at a time (the CGI
// program). A library must not install these in its host's process.

#include <string>

namespace kavelup::signalcleanup {

// Handlers for SIGTERM, SIGINT, SIGHUP and SIGPIPE.
void install();

// The directories to remove with the files in them; an empty path clears the registration.
// Paths longer than the system allows are not registered.
void setDirectory(const std::string& path);
void setStagingDirectory(const std::string& path);

// What the handlers do, without ending the process (for tests).
void cleanUpNow();

}  // namespace kavelup::signalcleanup
