// The address history of the toolbar's address combo: most recent first.
#pragma once
#include <QStringList>

class CHistoryList : public QStringList {
public:
    using QStringList::QStringList;
};
