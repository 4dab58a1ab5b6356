// Texture loading on libjpeg and the fitted draw of the poster.
#include "scene/texture_descriptor.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

#include "scene/jpeg_image.h"

namespace {

// No poster needs more; it keeps a header's claim from reserving gigabytes.
constexpr size_t max_texture_bytes = size_t{256} << 20;

// Images are loaded at their own size, which GL before 2.0 accepts only as an extension.
bool any_texture_size_supported() {
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version != nullptr && atoi(version) >= 2) return true;
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions != nullptr && strstr(extensions, "GL_ARB_texture_non_power_of_two");
}

void discard_gl_errors() {
    while (glGetError() != GL_NO_ERROR) {
    }
}

// Returns the new texture's name, or 0 when GL refused the image.
unsigned int upload_texture(const rgb_image& image) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    // No mipmaps are made, so the default minifying filter would leave the texture unusable.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    GLint saved_alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &saved_alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    discard_gl_errors();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image.pixels.data());
    const bool accepted = glGetError() == GL_NO_ERROR;
    glPixelStorei(GL_UNPACK_ALIGNMENT, saved_alignment);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (!accepted) {
        glDeleteTextures(1, &name);
        return 0;
    }
    return name;
}

texture_load_status load_status_of(int jpeg_result) {
    switch (jpeg_result) {
        case jpeg_ok:
            return texture_loaded;
        case jpeg_cannot_open:
            return texture_cannot_open;
        case jpeg_too_large:
            return texture_too_large;
        default:
            return texture_bad_data;
    }
}

// Offset of a shrunk extent within the original one.
float aligned_offset(float original, float shrunk, int alignment) {
    if (alignment == align_centre) return (original - shrunk) / 2;
    if (alignment == align_high) return original - shrunk;
    return 0.0f;
}

}  // namespace

texture_load_status texture_descriptor::load(const char* path) {
    FILE* file = fopen(path, "rb");
    const texture_load_status status = load(file);
    if (file) fclose(file);
    return status;
}

texture_load_status texture_descriptor::load(FILE* file) {
    present = false;
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    if (max_size <= 0) return texture_no_context;
    if (!any_texture_size_supported()) return texture_unsupported_size;

    rgb_image image;
    const int decoded = decode_jpeg_stream(file, jpeg_limits{max_size, max_texture_bytes}, image);
    if (decoded != jpeg_ok) return load_status_of(decoded);
    const unsigned int name = upload_texture(image);
    if (name == 0) return texture_rejected_by_gl;

    texture_name = name;
    width = image.width;
    height = image.height;
    present = true;
    return texture_loaded;
}

void texture_descriptor::draw(float pos[3], float size[3], int x_alignment, int y_alignment) {
    // The texture belongs to the context it was loaded in; a later window's context lacks it.
    if (!present || !glIsTexture(texture_name)) return;
    if (!(size[0] > 0 && size[1] > 0)) return;
    float x = pos[0];
    float y = pos[1];
    const double image_aspect = width / height;
    if (size[0] / size[1] > image_aspect) {
        const auto fitted_width = static_cast<float>(size[1] * image_aspect);
        x += aligned_offset(size[0], fitted_width, x_alignment);
        size[0] = fitted_width;
    } else {
        const auto fitted_height = static_cast<float>(size[0] / image_aspect);
        y += aligned_offset(size[1], fitted_height, y_alignment);
        size[1] = fitted_height;
    }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture_name);
    // The image's rows come from the top, so t = 0 is the quad's upper edge.
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x, y, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x + size[0], y, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x + size[0], y + size[1], 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x, y + size[1], 0.0f);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}
