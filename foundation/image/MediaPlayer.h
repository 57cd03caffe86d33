#pragma once
#include <string>

// A media item the player plays: an opened file and what its streams hold.
class CMediaItem {
public:
    // Opens the file (FFmpeg); false when it holds nothing playable.
    bool Open(const std::string& url);
    // Whether the item has a video stream, and whether it is selected for playing.
    bool HasVideo(bool* hasVideo, bool* selected) const;

private:
    bool m_open = false;
    bool m_hasVideo = false;
};

// The player: takes a media item and plays it.
class CMediaPlayer {
public:
    virtual ~CMediaPlayer() = default;
    virtual bool SetMediaItem(CMediaItem* item) = 0;
    virtual bool Play() = 0;
};

enum MediaPlayerEventType {
    kMediaItemCreated = 5,
    kMediaItemSet = 6,
};

struct MediaPlayerEvent {
    int type = 0;
    bool failed = false;  // the event carries a failure code
    CMediaItem* item = nullptr;
};

// The process-wide player pointers; nothing in the program sets them.
extern CMediaPlayer* g_mediaPlayer;
extern CMediaPlayer* g_mediaPlayerSecond;
extern bool g_mediaHasVideo;

void OnMediaPlayerEvent(const MediaPlayerEvent* event);
void OnMediaItemCreated(const MediaPlayerEvent* event);
void OnMediaItemSet(const MediaPlayerEvent* event);
// The file-open dialog titled "Select a File to Play": the file as a URL, "" when cancelled.
std::string ChooseFileToPlay();
// Releases (deletes) a player when set and clears the pointer.
void ReleaseMediaPlayer(CMediaPlayer** player);
