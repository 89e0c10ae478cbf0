#pragma once

#include <QtGlobal>

// The library is built with hidden visibility; this macro makes the one
// class that a host uses visible.
#if defined(CAMPANE_LIBRARY)
#define CAMPANE_EXPORT Q_DECL_EXPORT
#else
#define CAMPANE_EXPORT Q_DECL_IMPORT
#endif
