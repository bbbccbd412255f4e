// Runs one libcurl transfer on the calling thread, watching a RunControl for
// pause and cancel and ending a transfer that makes no progress for too long.
// Transfers on one thread share connections, TLS sessions and DNS answers.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <string>

#include "util/run_control.h"

namespace vidlark {

struct TransferLimits {
  // How long the transfer may go without sending or receiving a byte once
  // connected. Time while the control is paused does not count.
  std::chrono::milliseconds stall{30000};
};

// An easy handle set up with what every transfer of the program shares: the
// thread's connection cache, no proxy or other setting taken from the
// environment, certificate verification on. nullptr when libcurl fails.
CURL* NewEasyHandle();

// Adds a certificate authority to those a handle trusts, on top of the system's.
// Returns false when the TLS library cannot take it.
bool TrustCertificateAuthority(CURL* easy, const std::string& pem);

// Performs the transfer; CURLE_ABORTED_BY_CALLBACK when cancelled,
// CURLE_OPERATION_TIMEDOUT when it stalled.
CURLcode PerformTransfer(CURL* easy, const RunControl* control, const TransferLimits& limits);

}  // namespace vidlark
