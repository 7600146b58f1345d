#pragma once
// The HTTP page fetch: one GET of a web page, the raw body bytes back.

#include "services/core/text.h"
#include "services/core/value.h"

#include <stop_token>

// Fetches the page at `url` (http or https) and returns its body, whatever the
// status. Never reports an error: any failure gives an empty block, a transfer
// cut off part-way gives the bytes received so far. Blocks the calling thread
// for at most the fetch time limits (10 s to connect, 30 s in all). Safe to
// call from several threads at once.
//
// `cancel`: a stop request ends the transfer within about a second, with the
// bytes received so far; used when a worker thread is being ended.
Bytes fetch_web_page(const Text& url, std::stop_token cancel = {});

// Makes the process-wide set-up of the HTTP client. fetch_web_page does it on
// first use; calling it early, on the start-up thread, is allowed.
void PrepareWebFetch();
