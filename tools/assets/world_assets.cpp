// The world's pack entries: "/world.kvm", its six PVRTC textures (4 bits per texel, whole mipmap
// chains) and the loading-screen picture.
#include "tools/assets/world_assets.h"

#include <cstdio>
#include <string>

#include "tools/assets/world_layout.h"
#include "tools/assets/world_meshes.h"
#include "tools/assets/world_textures.h"
#include "tools/writers/png_writer.h"
#include "tools/writers/pvrtc_encoder.h"

namespace {

void addTexture(std::vector<PackInput>& entries, const char* name,
                const world::WorldPicture& picture) {
    PvrtcEncodeOptions options;
    options.alpha = picture.alpha;
    options.weightColourByAlpha = picture.alpha;
    options.mipmaps = true;
    PackInput entry;
    entry.name = name;
    std::string error;
    if (!encodePvrFile(picture.rgba.data(), picture.width, picture.height, options, &entry.bytes,
                       &error)) {
        std::fprintf(stderr, "world assets: %s: %s\n", name, error.c_str());
        return;
    }
    entries.push_back(std::move(entry));
}

}  // namespace

void addWorldAssets(std::vector<PackInput>& entries) {
    PackInput model;
    model.name = kWorldModelFile;
    model.bytes = buildWorldModel();
    entries.push_back(std::move(model));

    addTexture(entries, kWorldTextureFiles[kTexGrass], world::paintGrass());
    addTexture(entries, kWorldTextureFiles[kTexTrees], world::paintTreesAtlas());
    addTexture(entries, kWorldTextureFiles[kTexShading], world::paintShadingAtlas());
    addTexture(entries, kWorldTextureFiles[kTexCrash], world::paintCrash());
    addTexture(entries, kWorldTextureFiles[kTexLeaves], world::paintLeaves());
    addTexture(entries, kWorldTextureFiles[kTexMenuText], world::paintMenuText());

    const world::WorldPicture logo = world::paintLoadingPicture();
    PackInput picture;
    picture.name = kLoadingPictureFile;
    if (encodePngRgba(logo.rgba.data(), logo.width, logo.height, &picture.bytes))
        entries.push_back(std::move(picture));
}
