#!/usr/bin/env bash
# tools/capture/video.sh on a short span, twice: an H.264 MP4 of the expected size with exactly the frames the
# capture draws (0 s to 2 s at 60 per second: 121) and one audio stream, no image written anywhere, and the same
# decoded video frames both times.
# Usage: video_test.sh SOURCE_DIR BIN_DIR WORK_DIR
set -euo pipefail
src=$1
bin=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

before=$(find "$bin" -name '*.png' | wc -l)
for run in a b; do
    "$src/tools/capture/video.sh" "$work/$run.mp4" --until 2 --size 320x180 --bin "$bin" 2>"$work/$run.log" \
        || { cat "$work/$run.log" >&2; fail "video.sh failed"; }
done
[ "$(find "$bin" "$work" -name '*.png' | wc -l)" -eq "$before" ] || fail "images were written"

probe() { ffprobe -v error -select_streams "$1" -show_entries "$2" -of csv=p=0 "$work/a.mp4"; }
frames=$(ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$work/a.mp4")
[ "$frames" = 121 ] || fail "$frames video frames, not 121"
[ "$(probe v:0 stream=codec_name,width,height,pix_fmt)" = "h264,320,180,yuv420p" ] || fail "video stream: $(probe v:0 stream=codec_name,width,height,pix_fmt)"
[ "$(probe v stream=index | wc -l)" -eq 1 ] || fail "not one video stream"
[ "$(probe a stream=index | wc -l)" -eq 1 ] || fail "not one audio stream"

frame_sums() { ffmpeg -v error -i "$1" -map 0:v:0 -f framemd5 - | grep -v '^#'; }
[ "$(frame_sums "$work/a.mp4")" = "$(frame_sums "$work/b.mp4")" ] || fail "the two videos' frames differ"
echo "video_test: 121 frames, one audio stream, the same frames twice"
