#pragma once
// Program-wide state shared by the windows' procedures. It lives from start to
// exit; the application owns the one instance and hands it to each feature.

#include "services/core/text.h"
#include "services/core/value.h"

struct ProgramState {
    Text settingsPath;              // full path of Peizhi.ini, set when the main window is created
    bool recordWindowOpen = false;  // the contact record window exists
    bool newRecordPending = false;  // the record window holds a new, unsaved contact
    int selectedRow = 0;            // list row whose contact the record window shows
    Text searchPlaceholder;         // grey hint of the search box
    Text listQuery;                 // the query whose contacts the main list shows
    Text userName;                  // last user name read from 用户 (the signed-in one after sign-in)
    Text userPassword;
    int userPosition = 0;    // the signed-in user's row in 用户名 order
    Bytes defaultPhoto;      // shown when a contact has no photo
    Text chosenPictureFile;  // the picture being cropped
    int captureLeft = 0, captureTop = 0, captureRight = 0, captureBottom = 0;
    int photoTarget = 0;     // 1: the capture goes to the contact photo; 0: to the user avatar
    bool frameOpen = false;  // the capture frame window exists
};
