#pragma once
// Showing a document in the desktop's viewer for its kind. The viewer is started without
// the program waiting for it. The desktop may have no program for the document: the
// opener is not installed, or it reports that it found none. Then notShown runs, later,
// on the user-interface thread, so the caller can tell the operator where the file is.
// Tests install a responder that answers whether the desktop shows the file.
#include <QString>
#include <functional>

void OpenDocument(const QString& path, std::function<void()> notShown);

using DocumentResponder = std::function<bool(const QString& path)>;
// Installs a responder in place of the desktop; an empty one restores it.
void SetDocumentResponder(DocumentResponder responder);
