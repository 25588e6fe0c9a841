// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every program of the project does first in main(), right after creating its
// application object: Qt's own texts in Spanish and the image allocation limit.

class QCoreApplication;

namespace cuaderno {

// The most decoded pixels any picture may take; a 4K RGB32 picture takes 33 MB.
inline constexpr int imageAllocationLimitMb = 64;

// Loads Qt's Spanish translation (the message box button reads "Aceptar") when it is
// installed, and sets the image allocation limit once for the whole process.
void prepareApplication(QCoreApplication& app);

// For the programs that import pictures: every block of a megabyte or more is mapped on its
// own and handed back to the system when freed. Otherwise the allocator keeps the freed
// pictures of each worker thread, and a batch's memory grows past the few pictures it holds.
// (The book does not call it: it reuses the same few pictures, which is faster kept.)
void returnLargeBlocksWhenFreed();

// Whether a window can be shown at all; without one Qt would abort with a terse message, so
// a program says in Spanish what to do instead (`advice`) on standard error and returns false.
bool graphicalDisplayOrAdvice(const char* advice);

} // namespace cuaderno
