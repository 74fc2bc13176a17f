#pragma once
// Whether this machine is set up to reach the internet: the question behind the main window's
// internet line. It says nothing about whether a given server answers.

// True when a network interface other than loopback is up and running and carries a default
// route (IPv4 or IPv6).
bool InternetConnectionConfigured();
