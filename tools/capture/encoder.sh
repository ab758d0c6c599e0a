# shellcheck shell=bash
# The presentation's video encoding, in one place for tools/capture/video.sh and tools/render/farm.sh (sourced,
# never run), so that a video drawn on one machine and one drawn by the farm are the same frames.
#
#   encode_presentation OUT.mp4 WIDTHxHEIGHT FPS SOUND
#
# reads raw frames on standard input (RGB, 3 bytes a pixel, rows top to bottom, as engine-capture.exe --stream
# writes them) and writes H.264 in yuv420p (so both sides must be even) with -preset medium -crf 18 on one thread
# and bit-exact flags: the same frames give the same video. SOUND (the presentation's music) becomes the AAC
# sound track, padded with silence or cut to the picture's length; an empty SOUND gives a silent track.
encode_presentation() { # out size fps sound
    local out=$1 size=$2 fps=$3 sound=$4
    local input=(-f lavfi -i anullsrc=r=44100:cl=stereo)
    [ -z "$sound" ] || input=(-i "$sound")
    ffmpeg -hide_banner -nostdin -loglevel error -y \
        -f rawvideo -pix_fmt rgb24 -video_size "$size" -framerate "$fps" -i - "${input[@]}" \
        -map 0:v:0 -map 1:a:0 -c:v libx264 -preset medium -crf 18 -pix_fmt yuv420p -threads 1 \
        -c:a aac -b:a 192k -af apad -shortest -fflags +bitexact -flags:v +bitexact -flags:a +bitexact \
        -movflags +faststart "$out"
}
