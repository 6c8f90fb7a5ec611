#pragma once

namespace mirona {

// Installs Qt's own Japanese translations (qtbase_ja, from Qt's translations folder) in the
// running application, so Qt's dialogs and buttons speak Japanese whatever the system's
// locale, and makes Japanese the default locale for dates and numbers. Call once, after the
// application object exists. Returns false when they are missing; the program then still works,
// with Qt's English texts.
bool installJapaneseTranslations();

} // namespace mirona
