// Every text the tool shows outside its dialog templates, by role, in
// English and Japanese. Start-up selects one language for the whole run.
#pragma once

#include <cstdint>

struct MessageCatalogue {
    const char16_t* stateNormalText;
    const char16_t* stateWriteProtectedText;
    const char16_t* stateWriteProtectedPasswordText;
    const char16_t* stateReadWriteProtectedPasswordText;
    const char16_t* stateTempUnprotectedWriteText;
    const char16_t* stateTempUnprotectedWritePasswordText;
    const char16_t* stateTempUnprotectedReadWritePasswordText;
    const char16_t* noDriveText;
    const char16_t* noDiskText;
    const char16_t* noDriveContinueText;
    const char16_t* errorCaption;
    const char16_t* formatConfirmText;
    const char16_t* formatConfirmCaption;
    const char16_t* formatReconfirmCaption;
    const char16_t* formatWriteProtectedConfirmText;
    const char16_t* formatWriteProtectedPasswordConfirmText;
    const char16_t* formatReadWriteProtectedPasswordConfirmText;
    const char16_t* simpleFormatWriteProtectedText;
    const char16_t* simpleFormatWriteProtectedPasswordText;
    const char16_t* simpleFormatReadWriteProtectedPasswordText;
    const char16_t* formatStartPromptText;
    const char16_t* formatProgressFormat;
    const char16_t* formattingText;
    const char16_t* unformattedText;
    const char16_t* formatCompletedText;
    const char16_t* formatFailedText;
    const char16_t* formatResultCaption;
    const char16_t* writeProtectCaption;
    const char16_t* writeProtectDoneText;
    const char16_t* protectFailedText;
    const char16_t* passwordWarningCaption;
    const char16_t* writeProtectPasswordWarningText;
    const char16_t* writeProtectPasswordDoneText;
    const char16_t* readWriteProtectCaption;
    const char16_t* readWriteProtectPasswordWarningText;
    const char16_t* readWriteProtectPasswordDoneText;
    const char16_t* unprotectCaption;
    const char16_t* unprotectDoneText;
    const char16_t* unprotectFailedText;
    const char16_t* notProtectedText;
    const char16_t* protectInfoBrokenText;
    const char16_t* tempUnprotectCaption;
    const char16_t* tempUnprotectDoneText;
    const char16_t* passwordCaption;
    const char16_t* noPasswordText;
    const char16_t* passwordMismatchText;
    const char16_t* folderErrorCaption;
    const char16_t* fixedRangeText;
    const char16_t* storageCardFormat;
    const char16_t* driveLineFormat;
    const char16_t* driveFolderLineFormat;
};

// The texts of the run; every entry is set by selectCatalogue.
extern MessageCatalogue messageCatalogue;

// Japanese for language id 1041 exactly, English for every other id.
void selectCatalogue(std::uint16_t languageId);
