// Manager's application object: runs the settings dialog once, then ends.
#pragma once

#include "classlib/win_app.h"

class ManagerApp : public CWinApp {
public:
    ManagerApp() = default;
    ~ManagerApp() override = default;

protected:
    const MessageMap* GetMessageMap() const override;
    BOOL InitInstance() override;

    static const MessageMap messageMap;
};
