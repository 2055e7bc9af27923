// A document template: one kind of child window of the main frame. Each template
// holds at most one document for the whole run; its frame hides instead of closing.
#pragma once
#include <QString>
#include <functional>

#include "winbase/WinTypes.h"

class QWidget;

class CMultiDocTemplate {
public:
    // Makes the document's frame (with its view) inside the main frame; may return
    // null when the template has no view to show.
    using FrameFactory = std::function<QWidget*()>;

    CMultiDocTemplate(UINT nIDResource, const QString& docStrings);

    UINT GetResourceId() const { return m_nIDResource; }
    // Field n of the document string, the fields separated by line feeds.
    QString GetDocString(int field) const;
    QString GetDocName() const { return GetDocString(1); }

    void SetFrameFactory(FrameFactory f) { m_fnCreateFrame = std::move(f); }
    bool HasDocument() const { return m_pFrame != nullptr; }
    QWidget* GetFrame() const { return m_pFrame; }
    // Creates the one document (frame and view) when it does not exist yet.
    QWidget* OpenDocumentFile(BOOL bMakeVisible);

private:
    UINT m_nIDResource;
    QString m_strDocStrings;
    FrameFactory m_fnCreateFrame;
    QWidget* m_pFrame = nullptr;
};
