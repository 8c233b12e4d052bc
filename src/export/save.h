#pragma once
// The Save command without any window: features, campaign id, the refusals and the overwrite
// question through the caller, then every file written so that nothing is lost on failure.

#include "core/generator.h"
#include "export/encounter.h"
#include "export/features.h"

#include <string>

namespace orvek {

class GameFolder;
class Random;

// How the command talks to the user: the window shows message boxes, the command-line tool prints.
class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    // An information message ("Nothing was generated!", the refusals of a campaign name).
    virtual void inform(const std::string& message) = 0;
    // The overwrite question; true only for the answer Yes.
    virtual bool confirm(const std::string& question) = 0;
};

inline constexpr char kNothingGenerated[] = "Nothing was generated!";
inline constexpr char kOverwriteQuestion[] =
    "A campaign with this name exists already! Do you want to overwrite?";
inline constexpr char kNeedsLetterOrDigit[] =
    "The campaign name needs at least one letter or digit!";
inline constexpr char kAllIsReserved[] =
    "The campaign name \"all\" is reserved for the game's own templates!";

struct SaveRequest {
    std::string campaign_name;  // 8-bit text of the name field
    FeatureLevels levels;
    EncounterOptions options;
};

enum class SaveResult { Saved, NothingGenerated, Refused, NotConfirmed };

// Runs the Save command on the galaxy. Feature flags are assigned first whatever follows. Before
// anything on disk changes, every template is read and the maps folder is found; then all files
// are written beside their places and renamed into place, the campaign folder's other files
// (not its sub-folders) deleted. Throws Error "Cannot open file ..." or "Cannot create file ...";
// a failure leaves every existing file as it was.
SaveResult LMDButton2Click(Galaxy& galaxy, const SaveRequest& request, const GameFolder& folder,
                           Random& random, SaveDialog& dialog);

}  // namespace orvek
