#pragma once
// libheif decodes AV1 (AVIF) through a decoder of ours, built on dav1d, in
// place of the one it brings. Libheif's own, as Debian 12 ships it, writes
// dav1d's messages about a damaged stream straight to standard error, where
// they break into a run's output unescaped, and keeps the picture it made
// when it cannot describe its colours. Ours hands dav1d's messages back in
// the failure's reason and releases everything on every path.

namespace vendrik {

// Makes libheif prefer our AV1 decoder; once per process, from any thread.
void preferOwnAv1Decoder();

}  // namespace vendrik
